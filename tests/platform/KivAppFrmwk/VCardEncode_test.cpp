// The vCard encoder's text, and the whole-file write of the exporters.
#include "support/DataFiles.h"
#include "support/PlatformFixture.h"

#include "KivAppFrmwk/KivVCard.h"
#include "control/PlatformControl.h"

#include <cstring>
#include <string>
#include <vector>

namespace
{
// A card built as the exporter builds it; an empty text leaves its property out.
struct CardSpec
{
    std::string name;
    bool bNameParams;
    std::string number;
    std::string time;
    unsigned int nKind;
};

struct Cards
{
    std::vector<_VTree> trees;
    std::vector<_VProp> props;
    std::vector<_VParam> params;
    std::vector<std::string> values;
};

void Build(const std::vector<CardSpec>& specs, Cards& c)
{
    c.trees.assign(specs.size(), _VTree{});
    c.props.assign(specs.size() * 3, _VProp{});
    c.params.assign(specs.size() * 3, _VParam{});
    c.values.clear();
    c.values.reserve(specs.size() * 3);
    for (size_t i = 0; i < specs.size(); ++i)
    {
        _VTree& card = c.trees[i];
        card.nTreeKind = VTREE_KIND_VCARD;
        card.pNext = i + 1 < specs.size() ? &c.trees[i + 1] : nullptr;
        auto add = [&](size_t slot, unsigned int id, const std::string& value)
        {
            _VProp& p = c.props[i * 3 + slot];
            p.nPropId = id;
            c.values.push_back(value);
            p.pValue[0] = c.values.back().data();
            p.nValues = 1;
            (card.pTop == nullptr ? card.pTop : card.pLast->pNext) = &p;
            card.pLast = &p;
            return &p;
        };
        if (!specs[i].name.empty())
        {
            _VProp* p = add(0, VPROP_DISPLAY_NAME, specs[i].name);
            if (specs[i].bNameParams)
            {
                c.params[i * 3] = {VPARAM_CHARSET, VPARAM_CHARSET_UTF8, 0, &c.params[i * 3 + 1]};
                c.params[i * 3 + 1] = {VPARAM_ENCODING, VPARAM_ENCODING_QP, 0, nullptr};
                p->pParam = &c.params[i * 3];
            }
        }
        if (!specs[i].number.empty())
            add(1, VPROP_TEL, specs[i].number);
        if (!specs[i].time.empty())
        {
            _VProp* p = add(2, VPROP_CALL_DATETIME, specs[i].time);
            if (specs[i].nKind != 0)
            {
                c.params[i * 3 + 2] = {VPARAM_CALL_KIND, specs[i].nKind, 0, nullptr};
                p->pParam = &c.params[i * 3 + 2];
            }
        }
    }
}

std::string Encode(const std::vector<CardSpec>& specs)
{
    Cards c;
    Build(specs, c);
    char* psz = VCardEncode(c.trees.data());
    EXPECT_NE(psz, nullptr);
    std::string text = psz != nullptr ? psz : "";
    MemFreeTraceMultiHeap(psz, __FILE__, __LINE__);
    return text;
}

const std::string kHead = "BEGIN:VCARD\r\nVERSION:2.1\r\n";
const std::string kQp = ";CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:";

struct EncodeCase
{
    const char* label;
    std::vector<CardSpec> cards;
    std::string expected;
};

class VCardEncodeText : public ulogtest::PlatformTest, public ::testing::WithParamInterface<EncodeCase>
{
};

TEST_P(VCardEncodeText, GivesTheExactText)
{
    EXPECT_EQ(Encode(GetParam().cards), GetParam().expected);
}

const std::string k300(300, 'a');

INSTANTIATE_TEST_SUITE_P(
    Cards, VCardEncodeText,
    ::testing::Values(
        EncodeCase{"missed",
                   {{"Kim", true, "01012345678", "20261206T180509", VPARAM_CALL_MISSED}},
                   kHead +
                       "N:Kim\r\nFN:Kim\r\nTEL:01012345678\r\nX-IRMC-CALL-DATETIME;MISSED:20261206T180509\r\n"
                       "END:VCARD\r\n"},
        EncodeCase{"two cards, no name, received and dialled",
                   {{"", true, "112", "20260101T000000", VPARAM_CALL_RECEIVED},
                    {"Lee", true, "", "20260102T030405", VPARAM_CALL_DIALED}},
                   kHead + "N:\r\nTEL:112\r\nX-IRMC-CALL-DATETIME;RECEIVED:20260101T000000\r\nEND:VCARD\r\n" +
                       kHead +
                       "N:Lee\r\nFN:Lee\r\nX-IRMC-CALL-DATETIME;DIALED:20260102T030405\r\nEND:VCARD\r\n"},
        EncodeCase{"no kind, name only",
                   {{"Park", true, "", "20260102T030405", 0}},
                   kHead + "N:Park\r\nFN:Park\r\nX-IRMC-CALL-DATETIME:20260102T030405\r\nEND:VCARD\r\n"},
        EncodeCase{"escapes in a plain name",
                   {{"a\\b;c,d \"q\"", true, "1", "", 0}},
                   kHead + "N:a\\\\b\\;c\\,d \"q\"\r\nFN:a\\\\b\\;c\\,d \"q\"\r\nTEL:1\r\nEND:VCARD\r\n"},
        EncodeCase{"non-ASCII, new line and '=' quoted-printable",
                   {{"\xEA\xB9\x80 a=b;\nx ", true, "", "", 0}},
                   kHead + "N" + kQp + "=EA=B9=80 a=3Db\\;=0D=0Ax=20\r\nFN" + kQp +
                       "=EA=B9=80 a=3Db\\;=0D=0Ax=20\r\nEND:VCARD\r\n"},
        EncodeCase{"a long plain name is folded",
                   {{k300, true, "", "", 0}},
                   kHead + "N:" + k300.substr(0, 73) + "\r\n " + k300.substr(73, 74) + "\r\n " +
                       k300.substr(147, 74) + "\r\n " + k300.substr(221, 74) + "\r\n " + k300.substr(295) +
                       "\r\nFN:" + k300.substr(0, 72) + "\r\n " + k300.substr(72, 74) + "\r\n " +
                       k300.substr(146, 74) + "\r\n " + k300.substr(220, 74) + "\r\n " + k300.substr(294) +
                       "\r\nEND:VCARD\r\n"}),
    [](const ::testing::TestParamInfo<EncodeCase>& info) { return "case" + std::to_string(info.index); });

using VCardWriteFileTest = ulogtest::PlatformTest;

// The file is replaced whole; a failed write leaves the old one and no temporary file; outside the
// root is refused.
TEST_F(VCardWriteFileTest, ReplacesWholeOrLeavesTheOldFile)
{
    ASSERT_TRUE(VCardWriteFile("/User/Out/a.vcf", "old", 3));
    EXPECT_EQ(ulogtest::ReadWholeFile(m_root + "/User/Out/a.vcf"), "old");
    ASSERT_TRUE(VCardWriteFile("/User/Out/a.vcf", "newer text", 10));
    EXPECT_EQ(ulogtest::ReadWholeFile(m_root + "/User/Out/a.vcf"), "newer text");

    UlogCtlFailNextFileWrites(1);
    SysSetLastError(SYS_ERR_NONE);
    EXPECT_FALSE(VCardWriteFile("/User/Out/a.vcf", "lost", 4));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_WRITE_FAULT);
    EXPECT_EQ(ulogtest::ReadWholeFile(m_root + "/User/Out/a.vcf"), "newer text");
    EXPECT_EQ(ulogtest::Listing(m_root + "/User/Out"), std::vector<std::string>{"a.vcf"});

    SysSetLastError(SYS_ERR_NONE);
    EXPECT_FALSE(VCardWriteFile("/../outside.vcf", "x", 1));
    EXPECT_EQ(SysGetLastError(), SYS_ERR_BAD_PATH);
}
} // namespace
