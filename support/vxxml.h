// Tag-text reader: values, attributes, counts and raw elements read out of
// simple tagged text by literal, case-sensitive substring search. Not an XML
// parser: no nesting, no entities, no whitespace rules, no validation.
//
// Positions are 0-based character indexes into the document. Every operation
// first empties its output, and on success writes a terminated value that is
// a piece of the document (of the element text, for GetNodeAttr): an output
// buffer of the document's length plus one characters is always enough.
// Nothing is read outside the document or the given texts' terminators.
#pragma once

#include "support/vxapi.h"

#include <string>

class VX_API CVxXml {
public:
    static CVxXml& Instance();

    // Replaces the document with a copy of lpszText (null: an empty one). 1.
    int Parse(const wchar_t* lpszText);

    // The text between the first "<name>" and the first "</name>" of the
    // document. 1 if found (an empty value too), else 0.
    int GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out);
    // The value of the nIndex-th "<name>" (0 = the first), up to the next
    // "</name>" after it. 1 / 0.
    int GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out, int nIndex);
    // Iteration by the caller: the value of the first "<name>" at or after
    // *pPos; on success *pPos is the index of its "</name>", so the next call
    // finds the next element. On failure *pPos is -1 when no opening tag was
    // found, or just past the opening tag when no closing tag follows it.
    int GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out, int* pPos);
    // How often the exact opening tag "<name>" occurs.
    int GetXmlNodeCount(const wchar_t* lpszName);
    // The next element of any name at or after nPos, as raw text with its
    // tags; nPos moves to the '<' it starts at and then past the element, so
    // repeated calls walk the document. 0 when none is left (nPos is then -1
    // if no '<' follows, else the '<' of the unfinished element). Never
    // returns 1 with an empty text, so a walk always ends.
    int GetXmlNode(wchar_t* out, int& nPos);
    // Works on lpszElement, not on the document: with a name, the value of
    // name="value" (no space around '=', double quotes only); with an empty
    // or null name, the inner text after the first '>' up to the next '<'.
    // out must hold the element's length plus one characters. 1 / 0.
    int GetNodeAttr(const wchar_t* lpszElement, const wchar_t* lpszAttr, wchar_t* out);

private:
    CVxXml() = default;
    ~CVxXml() = default;
    CVxXml(const CVxXml&) = delete;
    CVxXml& operator=(const CVxXml&) = delete;

    std::wstring m_doc;
};

// Forward to CVxXml::Instance().
VX_CAPI int Parse(const wchar_t* lpszText);
VX_CAPI int GetXmlNodeValue(const wchar_t* lpszName, wchar_t* out);
VX_CAPI int GetXmlNodeValue2(const wchar_t* lpszName, wchar_t* out, int nIndex);
VX_CAPI int GetXmlNodeValue3(const wchar_t* lpszName, wchar_t* out, int* pPos);
VX_CAPI int GetXmlNodeCount(const wchar_t* lpszName);
