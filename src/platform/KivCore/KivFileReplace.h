/*
 * KivCore: replacing a file whole. A writer builds the new content in a file of its own beside the old
 * one and renames it over the old one when it is complete.
 */
#ifndef KIV_FILE_REPLACE_H
#define KIV_FILE_REPLACE_H

#include "KivCore/KivTypes.h"

#ifdef __cplusplus
extern "C"
{
#endif

    /* Renames the file at oldPath (a handset path under the data root) to newPath in one step, replacing a
     * file there: its data is synced to disk first and the directory after, so a reader or a crash sees
     * the old file or the new one whole. FALSE, both paths as they were, when oldPath is no file, a
     * directory stands at newPath, a path leaves the data root, or the host refuses; the cause in
     * SysGetLastError. */
    BOOL FmRenameFile(const char* oldPath, const char* newPath);

#ifdef __cplusplus
}
#endif

#endif
