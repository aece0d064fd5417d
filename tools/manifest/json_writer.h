// A JSON document built in order: objects, arrays, keys and values, commas
// placed by the writer. Strings are UTF-16 in and UTF-8 out.
#pragma once

#include <string>
#include <vector>

class CJsonWriter {
public:
    CJsonWriter& BeginObject();
    CJsonWriter& EndObject();
    CJsonWriter& BeginArray();
    CJsonWriter& EndArray();
    // The key of the next value inside an object.
    CJsonWriter& Key(const char* name);
    CJsonWriter& String(const std::wstring& value);
    CJsonWriter& Number(long long value);
    CJsonWriter& Bool(bool value);

    // The document so far, with a final line break once it is complete.
    std::string Text() const;

private:
    void BeforeValue();
    std::string m_out;
    // One entry per open object or array: whether it holds a value yet.
    std::vector<bool> m_hasValue;
    bool m_afterKey = false;
};
