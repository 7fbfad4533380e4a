// Handset files: modes, directories, confinement to the data root, write faults.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "KivCore/KivCore.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace
{
class FilesTest : public ulogtest::PlatformTest
{
protected:
    bool Write(HOBJ h, const char* text) { return FmWriteFile(h, text, std::strlen(text)) != 0; }
    std::string ReadAll(const char* path)
    {
        HOBJ h = FmOpenFile(path, 2);
        if (h == INVALID_HOBJ)
            return "<none>";
        std::string out;
        char buf[64];
        int n;
        while ((n = FmReadFile(h, buf, sizeof(buf))) > 0)
            out.append(buf, static_cast<size_t>(n));
        FmCloseFile(h);
        return out;
    }
    // Writes text through a file made (or, with bOpen, opened) in a mode; then the file's content.
    std::string Put(const char* path, int mode, const char* text, bool bOpen = false)
    {
        HOBJ h = bOpen ? FmOpenFile(path, mode) : FmCreateFile(path, mode);
        if (h == INVALID_HOBJ)
            return "<refused>";
        const bool bWritten = Write(h, text);
        FmCloseFile(h);
        return (bWritten ? "" : "<not written>") + ReadAll(path);
    }
};

TEST_F(FilesTest, SlashIsTheDataRootAndRelativeNamesLiveThereToo)
{
    HOBJ h = FmCreateFile("/User/Ulog/CtFullSyncCheckDummy.txt", 1); // missing folders are made
    ASSERT_NE(h, INVALID_HOBJ);
    EXPECT_TRUE(FmCloseFile(h));
    EXPECT_TRUE(fs::is_regular_file(m_root + "/User/Ulog/CtFullSyncCheckDummy.txt"));
    unsigned int attr = 0;
    EXPECT_TRUE(FmGetFileAttributes("User/Ulog/CtFullSyncCheckDummy.txt", &attr));
    EXPECT_EQ(attr, FM_ATTR_NORMAL);
    EXPECT_TRUE(FmGetFileAttributes("/User/Ulog", &attr));
    EXPECT_EQ(attr, FM_ATTR_DIRECTORY);
    EXPECT_TRUE(FmRemoveFile("/User/Ulog/CtFullSyncCheckDummy.txt"));
    EXPECT_FALSE(FmGetFileAttributes("/User/Ulog/CtFullSyncCheckDummy.txt", &attr));
    EXPECT_FALSE(FmRemoveFile("/User/Ulog/CtFullSyncCheckDummy.txt"));
    EXPECT_FALSE(FmRemoveFile("/User/Ulog")); // not a file
    char host[4096];
    ASSERT_TRUE(FmGetHostPath("/User/x.txt", host, sizeof(host)));
    EXPECT_EQ(std::string(host), m_root + "/User/x.txt");
    EXPECT_FALSE(FmGetHostPath("/User/x.txt", host, 4)); // does not fit

    EXPECT_EQ(FmOpenDir("/User/UlogSvc/"), INVALID_HOBJ);
    EXPECT_TRUE(FmCreateDir("/User/UlogSvc/"));
    EXPECT_TRUE(FmCreateDir("/User/UlogSvc/")); // already there
    HOBJ d = FmOpenDir("/User/UlogSvc/");
    ASSERT_NE(d, INVALID_HOBJ);
    EXPECT_TRUE(FmCloseDir(d));
    EXPECT_FALSE(FmCloseDir(d));
    HOBJ root = FmOpenDir("/");
    EXPECT_NE(root, INVALID_HOBJ);
    FmCloseDir(root);
}

TEST_F(FilesTest, CreateModesTruncateRefuseOrAppend)
{
    EXPECT_EQ(Put("/a.vcf", 1, "first"), "first");
    EXPECT_EQ(Put("/a.vcf", 4, "x"), "<refused>"); // 4 creates new files only
    EXPECT_EQ(Put("/a.vcf", 1, "2"), "2");         // 1 truncates
    EXPECT_EQ(Put("/b.vcf", 4, "new"), "new");
    EXPECT_EQ(Put("/b.vcf", 22, "+more"), "new+more"); // appends to what is there
    EXPECT_EQ(Put("/b.vcf", 20, "x"), "x");            // truncates
    EXPECT_EQ(Put("/c.vcf", 99, "x"), "<refused>");
    EXPECT_FALSE(fs::exists(m_root + "/c.vcf"));
}

TEST_F(FilesTest, OpenModesNeedAnExistingFileAndKeepItsContent)
{
    EXPECT_EQ(FmOpenFile("/User/UlogSvc/Ulogs.xml", 22), INVALID_HOBJ);
    EXPECT_EQ(FmOpenFile("/User/UlogSvc/Ulogs.xml", 2), INVALID_HOBJ);
    EXPECT_EQ(Put("/User/UlogSvc/Ulogs.xml", 20, "<a>"), "<a>");

    HOBJ h = FmOpenFile("/User/UlogSvc/Ulogs.xml", 22);
    ASSERT_NE(h, INVALID_HOBJ);
    EXPECT_TRUE(Write(h, "<b/>"));
    EXPECT_TRUE(Write(h, "</a>"));
    FmCloseFile(h);
    EXPECT_EQ(ReadAll("/User/UlogSvc/Ulogs.xml"), "<a><b/></a>");

    EXPECT_EQ(Put("/User/UlogSvc/Ulogs.xml", 2, "zz", true), "<not written><a><b/></a>"); // read only
    EXPECT_EQ(Put("/User/UlogSvc/Ulogs.xml", 20, "<A>", true), "<A><b/></a>"); // from the start, content kept
    EXPECT_EQ(FmOpenFile("/User/UlogSvc/Ulogs.xml", 4), INVALID_HOBJ);
}

// Write faults write nothing and are used up; bad, closed and reset handles fail.
TEST_F(FilesTest, WriteFaultsAndBadHandlesWriteNothing)
{
    HOBJ h = FmCreateFile("/f.txt", 1);
    UlogCtlFailNextFileWrites(2);
    EXPECT_EQ(FmWriteFile(h, "aa", 2), 0);
    EXPECT_EQ(FmWriteFile(h, "bb", 2), 0);
    EXPECT_NE(FmWriteFile(h, "cc", 2), 0);
    FmCloseFile(h);
    EXPECT_EQ(ReadAll("/f.txt"), "cc");
    EXPECT_EQ(FmWriteFile(h, "a", 1), 0); // closed

    char buf[4];
    EXPECT_EQ(FmWriteFile(INVALID_HOBJ, "a", 1), 0);
    EXPECT_LT(FmReadFile(424242, buf, sizeof(buf)), 0);
    EXPECT_FALSE(FmCloseFile(424242));
    h = FmCreateFile("/r.txt", 1);
    ASSERT_NE(h, INVALID_HOBJ);
    ASSERT_TRUE(UlogCtlReset(m_root.c_str())); // a reset closes open files
    EXPECT_EQ(FmWriteFile(h, "x", 1), 0);
    EXPECT_FALSE(FmCloseFile(h));
}

TEST_F(FilesTest, PathsClimbingOutOfTheRootFail)
{
    EXPECT_EQ(FmCreateFile("/../escape.txt", 1), INVALID_HOBJ);
    EXPECT_EQ(FmCreateFile("../escape.txt", 1), INVALID_HOBJ);
    EXPECT_EQ(FmCreateFile("/User/../../escape.txt", 1), INVALID_HOBJ);
    EXPECT_FALSE(fs::exists(fs::path(m_root).parent_path() / "escape.txt"));
    EXPECT_FALSE(FmCreateDir("/../escapedir"));
    EXPECT_EQ(FmOpenDir("/.."), INVALID_HOBJ);
    unsigned int attr = 0;
    EXPECT_FALSE(FmGetFileAttributes("/../", &attr));
    EXPECT_FALSE(FmRemoveFile("/../whatever"));
    // ".." that stays inside is fine.
    EXPECT_TRUE(FmCreateDir("/User/Ulog"));
    HOBJ h = FmCreateFile("/User/Ulog/../inside.txt", 1);
    EXPECT_NE(h, INVALID_HOBJ);
    FmCloseFile(h);
    EXPECT_TRUE(fs::exists(m_root + "/User/inside.txt"));
}

TEST_F(FilesTest, LinksPointingOutOfTheRootAreNotFollowed)
{
    const std::string outsideDir = ulogtest::MakeTempDir("ulogtest-outside");
    ASSERT_FALSE(outsideDir.empty());
    {
        std::ofstream(outsideDir + "/secret.txt") << "secret";
    }
    fs::create_directory_symlink(outsideDir, m_root + "/linkdir");
    fs::create_symlink(outsideDir + "/secret.txt", m_root + "/linkfile");
    fs::create_symlink(outsideDir + "/planted.txt", m_root + "/dangling"); // target missing

    EXPECT_EQ(FmOpenFile("/linkdir/secret.txt", 2), INVALID_HOBJ);
    EXPECT_EQ(FmOpenFile("/linkfile", 2), INVALID_HOBJ);
    EXPECT_EQ(FmCreateFile("/linkfile", 1), INVALID_HOBJ);
    EXPECT_EQ(FmCreateFile("/linkdir/new.txt", 1), INVALID_HOBJ);
    EXPECT_EQ(FmCreateFile("/dangling", 1), INVALID_HOBJ);
    EXPECT_EQ(FmCreateFile("/dangling", 22), INVALID_HOBJ);
    EXPECT_EQ(RegLoad("/linkfile", 1), INVALID_HOBJ);
    EXPECT_FALSE(FmRemoveFile("/linkdir/secret.txt"));
    EXPECT_FALSE(FmCreateDir("/linkdir/sub"));

    EXPECT_EQ(ulogtest::ReadWholeFile(outsideDir + "/secret.txt"), "secret");
    EXPECT_FALSE(fs::exists(outsideDir + "/new.txt"));
    EXPECT_FALSE(fs::exists(outsideDir + "/planted.txt"));
    EXPECT_FALSE(fs::exists(outsideDir + "/sub"));
    ulogtest::RemoveTree(outsideDir);
}

} // namespace
