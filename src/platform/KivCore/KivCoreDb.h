/*
 * KivCore: the end of the SQL engine's use of its database (see KivCore.h for the engine).
 *
 * A commit never copies the write-ahead journal into the database: a thread of the engine does, with a
 * connection of its own, once the journal has grown past 256 pages. The connection keeps a page cache
 * of 512 KiB.
 */
#ifndef KIV_CORE_DB_H
#define KIV_CORE_DB_H

#ifdef __cplusplus
extern "C"
{
#endif

    /* Closes the database: the write-ahead journal is copied into it whole and emptied first (0). The
     * next call of the engine opens it again. While a batch is open or a statement handle lives, it stays
     * open (1). The end of the process closes it too; a statement after that fails. */
    int Db2Close(void);

#ifdef __cplusplus
}
#endif

#endif
