// The vCard 2.1 encoder of call histories, and the whole-file write of the exporters.
#include "KivAppFrmwk/KivVCard.h"

#include "KivCore/KivCoreInternal.h"
#include "KivGWESCore/KivGWESCore.h"

#include <cerrno>
#include <unicode/ustring.h>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
const char* const kCrlf = "\r\n";
const size_t kFoldWidth = 75; // bytes of a plain line before it is folded
const size_t kQpWidth = 76;   // bytes of a quoted-printable line, its soft break '=' included

bool HasParam(const _VProp* pProp, unsigned int nId, unsigned int nValue)
{
    for (const _VParam* p = pProp->pParam; p != nullptr; p = p->pNext)
        if (p->nParamId == nId && p->nParamValue == nValue)
            return true;
    return false;
}

const char* FirstValue(const _VProp* pProp)
{
    return pProp->nValues > 0 && pProp->pValue[0] != nullptr ? pProp->pValue[0] : nullptr;
}

bool IsPrintableAscii(const std::string& s)
{
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E)
            return false;
    return true;
}

// Local code page text as UTF-8 (the code page may be another one); ICU converts the 16-bit text, a
// lone surrogate becoming U+FFFD.
std::string ToUtf8(const char* psz)
{
    const size_t nLen = std::strlen(psz);
    std::vector<WCHAR> wide(nLen + 2);
    WmConvert2PCode(wide.data(), static_cast<int>(wide.size()), psz);
    const UChar* pWide = reinterpret_cast<const UChar*>(wide.data());
    std::string out(4 * nLen + 4, '\0');
    int32_t nOut = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &nOut, pWide, -1, 0xFFFD, nullptr,
                       &status);
    out.resize(U_SUCCESS(status) ? static_cast<size_t>(nOut) : 0);
    return out;
}

std::string EscapeText(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s)
    {
        if (c == '\\' || c == ';' || c == ',')
            out += '\\';
        out += c;
    }
    return out;
}

// A plain line, folded with CRLF and one blank where it passes the width (never inside a UTF-8 sequence).
void AppendFolded(std::string& out, const std::string& line)
{
    size_t nCol = 0;
    for (size_t i = 0; i < line.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(line[i]);
        if (nCol >= kFoldWidth && (c & 0xC0) != 0x80)
        {
            out += kCrlf;
            out += ' ';
            nCol = 1;
        }
        out += line[i];
        ++nCol;
    }
    out += kCrlf;
}

// head followed by the quoted-printable form of value; lines broken with soft breaks ("=" CRLF) so that
// no line passes the width, never inside an escape. A new line (LF, CR LF or CR) is =0D=0A.
void AppendQuotedPrintable(std::string& out, const std::string& head, const std::string& value)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string line = head;
    auto put = [&](const std::string& token)
    {
        if (line.size() + token.size() > kQpWidth - 1)
        {
            out += line;
            out += '=';
            out += kCrlf;
            line.clear();
        }
        line += token;
    };
    for (size_t i = 0; i < value.size(); ++i)
    {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c == '\r' || c == '\n')
        {
            if (c == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
                ++i;
            put("=0D=0A");
            continue;
        }
        // A blank is kept plain except at the end, where readers may drop it.
        const bool bPlain = (c > 0x20 && c < 0x7F && c != '=') || (c == ' ' && i + 1 < value.size());
        if (bPlain)
            put(std::string(1, static_cast<char>(c)));
        else
            put(std::string{'=', kHex[c >> 4], kHex[c & 0x0F]});
    }
    out += line;
    out += kCrlf;
}

void AppendName(std::string& out, const char* pszName, bool bMayEncode)
{
    const std::string name = pszName != nullptr ? pszName : "";
    if (bMayEncode && !IsPrintableAscii(name))
    {
        const std::string text = EscapeText(ToUtf8(pszName));
        AppendQuotedPrintable(out, "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:", text);
        AppendQuotedPrintable(out, "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:", text);
        return;
    }
    // Printable ASCII (or a name whose card did not ask for an encoding: written as it is).
    const std::string text = EscapeText(name);
    AppendFolded(out, "N:" + text);
    AppendFolded(out, "FN:" + text);
}

void AppendCard(std::string& out, const _VTree* pCard)
{
    out += "BEGIN:VCARD\r\nVERSION:2.1\r\n";
    bool bNamed = false;
    for (const _VProp* pProp = pCard->pTop; pProp != nullptr; pProp = pProp->pNext)
    {
        const char* pszValue = FirstValue(pProp);
        if (pszValue == nullptr)
            continue;
        switch (pProp->nPropId)
        {
        case VPROP_DISPLAY_NAME:
            if (bNamed)
                break;
            AppendName(out, pszValue,
                       HasParam(pProp, VPARAM_CHARSET, VPARAM_CHARSET_UTF8) &&
                           HasParam(pProp, VPARAM_ENCODING, VPARAM_ENCODING_QP));
            bNamed = true;
            break;
        case VPROP_TEL:
            if (!bNamed)
            {
                out += "N:\r\n";
                bNamed = true;
            }
            AppendFolded(out, std::string("TEL:") + pszValue);
            break;
        case VPROP_CALL_DATETIME:
        {
            if (!bNamed)
            {
                out += "N:\r\n";
                bNamed = true;
            }
            std::string line = "X-IRMC-CALL-DATETIME";
            if (HasParam(pProp, VPARAM_CALL_KIND, VPARAM_CALL_MISSED))
                line += ";MISSED";
            else if (HasParam(pProp, VPARAM_CALL_KIND, VPARAM_CALL_RECEIVED))
                line += ";RECEIVED";
            else if (HasParam(pProp, VPARAM_CALL_KIND, VPARAM_CALL_DIALED))
                line += ";DIALED";
            AppendFolded(out, line + ":" + pszValue);
            break;
        }
        default:
            break;
        }
    }
    if (!bNamed)
        out += "N:\r\n";
    out += "END:VCARD\r\n";
}

// The temporary file's directory entry and then the renamed one reach the disk.
void SyncDirectory(const std::string& hostFile)
{
    const std::string dir = std::filesystem::path(hostFile).parent_path().string();
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0)
    {
        ::fsync(fd);
        ::close(fd);
    }
}
} // namespace

extern "C" char* VCardEncode(const _VTree* pTree)
{
    if (pTree == nullptr)
        return nullptr;
    std::string text;
    for (const _VTree* pCard = pTree; pCard != nullptr; pCard = pCard->pNext)
        AppendCard(text, pCard);
    char* pszText = static_cast<char*>(MemAllocTraceEx(0, text.size() + 1, __FILE__, __LINE__));
    if (pszText == nullptr)
        return nullptr;
    std::memcpy(pszText, text.c_str(), text.size() + 1);
    return pszText;
}

extern "C" BOOL VCardWriteFile(const char* path, const char* data, size_t length)
{
    if (path == nullptr || (data == nullptr && length > 0))
    {
        SysSetLastError(SYS_ERR_BAD_PATH);
        return FALSE;
    }
    std::string host;
    const kiv::core::PathStatus status = kiv::core::ConfinePath(path, host);
    if (status != kiv::core::PATH_OK)
    {
        SysSetLastError(status == kiv::core::PATH_OUTSIDE_ROOT ? SYS_ERR_OUTSIDE_ROOT : SYS_ERR_BAD_PATH);
        return FALSE;
    }
    if (kiv::core::DataRootReadOnly())
    {
        SysSetLastError(SYS_ERR_READ_ONLY);
        return FALSE;
    }
    std::error_code ec;
    const std::filesystem::path parent = std::filesystem::path(host).parent_path();
    if (!parent.empty())
        std::filesystem::create_directories(parent, ec);
    if (ec || (!parent.empty() && !std::filesystem::is_directory(parent, ec)))
    {
        SysSetLastError(SYS_ERR_IO);
        return FALSE;
    }
    // The temporary name is this writer's own: a name made unique by mkstemp in the same directory.
    std::string tmp = host + ".XXXXXX";
    std::vector<char> tmpName(tmp.begin(), tmp.end());
    tmpName.push_back('\0');
    const int fd = ::mkostemp(tmpName.data(), O_CLOEXEC);
    if (fd < 0)
    {
        SysSetLastError(kiv::core::ErrorOfErrno(errno));
        return FALSE;
    }
    tmp.assign(tmpName.data());
    unsigned int nError = SYS_ERR_NONE;
    if (kiv::core::ConsumeFileWriteFault())
        nError = SYS_ERR_WRITE_FAULT;
    else if (!kiv::core::WriteAll(fd, data, length) || ::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0)
        nError = kiv::core::ErrorOfErrno(errno);
    if (::close(fd) != 0 && nError == SYS_ERR_NONE)
        nError = kiv::core::ErrorOfErrno(errno);
    // rename replaces the name itself, a link included; it never writes through one.
    if (nError == SYS_ERR_NONE && ::rename(tmp.c_str(), host.c_str()) != 0)
        nError = kiv::core::ErrorOfErrno(errno);
    if (nError != SYS_ERR_NONE)
    {
        ::unlink(tmp.c_str());
        SysSetLastError(nError);
        return FALSE;
    }
    SyncDirectory(host);
    return TRUE;
}
