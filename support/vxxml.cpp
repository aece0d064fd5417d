#include "support/vxxml.h"

#include <climits>
#include <cwchar>
#include <string_view>

namespace {

// Positions are ints: a longer text is cut here, so every index and every
// index plus a tag's length still fits.
const size_t kMaxDocument = INT_MAX / 2;

// The search primitive: the index of the first occurrence of what at or
// after from, or -1 (also for a start below 0 or past the end).
long long Find(std::wstring_view text, std::wstring_view what, long long from) {
    if (from < 0 || from > static_cast<long long>(text.size()))
        return -1;
    size_t i = text.find(what, static_cast<size_t>(from));
    return i == std::wstring_view::npos ? -1 : static_cast<long long>(i);
}

// Copies text[start, start + length) and its terminator; the caller has
// checked that the range lies in text.
void CopyRange(wchar_t* out, std::wstring_view text, long long start, long long length) {
    wmemcpy(out, text.data() + start, static_cast<size_t>(length));
    out[length] = L'\0';
}

std::wstring OpenTag(const wchar_t* name) {
    return std::wstring(L"<") + name + L">";
}

std::wstring CloseTag(const wchar_t* name) {
    return std::wstring(L"</") + name + L">";
}

} // namespace

CVxXml& CVxXml::Instance() {
    static CVxXml xml;
    return xml;
}

int CVxXml::Parse(const wchar_t* lpszText) {
    if (lpszText)
        m_doc.assign(lpszText, wcsnlen(lpszText, kMaxDocument));
    else
        m_doc.clear();
    return 1;
}

int CVxXml::GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out) {
    if (!out)
        return 0;
    out[0] = L'\0';
    if (!lpszName)
        return 0;
    std::wstring open = OpenTag(lpszName);
    long long i = Find(m_doc, open, 0);
    if (i < 0)
        return 0;
    long long start = i + static_cast<long long>(open.size());
    // The closing tag is looked for from the start of the document.
    long long length = Find(m_doc, CloseTag(lpszName), 0) - start;
    if (length < 0)
        return 0;
    CopyRange(out, m_doc, start, length);
    return 1;
}

int CVxXml::GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out, int nIndex) {
    if (!out)
        return 0;
    out[0] = L'\0';
    if (!lpszName || nIndex < 0)
        return 0;
    std::wstring open = OpenTag(lpszName);
    long long pos = 0;
    for (long long n = 0; n <= nIndex; ++n) {
        long long i = Find(m_doc, open, pos);
        if (i < 0)
            return 0;
        pos = i + static_cast<long long>(open.size());
    }
    long long length = Find(m_doc, CloseTag(lpszName), pos) - pos;
    if (length < 0)
        return 0;
    CopyRange(out, m_doc, pos, length);
    return 1;
}

int CVxXml::GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out, int* pPos) {
    if (!out)
        return 0;
    out[0] = L'\0';
    if (!lpszName || !pPos)
        return 0;
    std::wstring open = OpenTag(lpszName);
    long long pos = Find(m_doc, open, *pPos);
    *pPos = static_cast<int>(pos);
    if (pos < 0)
        return 0;
    pos += static_cast<long long>(open.size());
    *pPos = static_cast<int>(pos);
    long long close = Find(m_doc, CloseTag(lpszName), pos);
    if (close - pos < 0)
        return 0;
    CopyRange(out, m_doc, pos, close - pos);
    *pPos = static_cast<int>(close);
    return 1;
}

int CVxXml::GetXmlNodeCount(const wchar_t* lpszName) {
    if (!lpszName)
        return 0;
    std::wstring open = OpenTag(lpszName);
    int count = 0;
    for (long long i = Find(m_doc, open, 0); i >= 0; i = Find(m_doc, open, i + 1))
        ++count;
    return count;
}

int CVxXml::GetXmlNode(wchar_t* out, int& nPos) {
    if (!out)
        return 0;
    out[0] = L'\0';
    long long pos = Find(m_doc, L"<", nPos);
    nPos = static_cast<int>(pos);
    if (pos < 0)
        return 0;
    long long slash = Find(m_doc, L"/>", pos);
    long long end = slash >= 0 ? slash + 2 : -1;
    long long close = Find(m_doc, L"</", pos);
    if (close > 0 && (close < end || end < 0)) {
        // Without a '>' after "</" the element has no end: taking one past
        // "not found" instead would return an empty element from position 0
        // again and again.
        long long gt = Find(m_doc, L">", close);
        end = gt >= 0 ? gt + 1 : -1;
    }
    long long length = end - pos;
    if (length <= 0)
        return 0;
    CopyRange(out, m_doc, pos, length);
    nPos = static_cast<int>(pos + length);
    return 1;
}

int CVxXml::GetNodeAttr(const wchar_t* lpszElement, const wchar_t* lpszAttr, wchar_t* out) {
    if (!out)
        return 0;
    out[0] = L'\0';
    if (!lpszElement)
        return 0;
    std::wstring_view element(lpszElement, wcsnlen(lpszElement, kMaxDocument));
    long long start, end;
    if (lpszAttr && *lpszAttr) {
        std::wstring key = std::wstring(lpszAttr) + L"=\"";
        long long i = Find(element, key, 0);
        if (i < 0)
            return 0;
        start = i + static_cast<long long>(key.size());
        end = Find(element, L"\"", start);
    } else {
        long long gt = Find(element, L">", 0);
        if (gt < 0)
            return 0;
        start = gt + 1;
        end = Find(element, L"<", start);
    }
    if (end < 0)
        return 0;
    CopyRange(out, element, start, end - start);
    return 1;
}

int Parse(const wchar_t* lpszText) {
    return CVxXml::Instance().Parse(lpszText);
}

int GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out) {
    return CVxXml::Instance().GetXmlNodeValue(lpszName, out);
}

int GetXmlNodeValue2(const wchar_t* lpszName, wchar_t* out, int nIndex) {
    return CVxXml::Instance().GetXmlNodeValue(lpszName, out, nIndex);
}

int GetXmlNodeValue3(const wchar_t* lpszName, wchar_t* out, int* pPos) {
    return CVxXml::Instance().GetXmlNodeValue(lpszName, out, pPos);
}

int GetXmlNodeCount(const wchar_t* lpszName) {
    return CVxXml::Instance().GetXmlNodeCount(lpszName);
}
