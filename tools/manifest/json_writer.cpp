#include "tools/manifest/json_writer.h"

#include "tools/manifest/mkman_text.h"

void CJsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (!m_hasValue.empty()) {
        if (m_hasValue.back())
            m_out += ',';
        m_hasValue.back() = true;
    }
}

CJsonWriter& CJsonWriter::BeginObject() {
    BeforeValue();
    m_out += '{';
    m_hasValue.push_back(false);
    return *this;
}

CJsonWriter& CJsonWriter::EndObject() {
    m_out += '}';
    m_hasValue.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::BeginArray() {
    BeforeValue();
    m_out += '[';
    m_hasValue.push_back(false);
    return *this;
}

CJsonWriter& CJsonWriter::EndArray() {
    m_out += ']';
    m_hasValue.pop_back();
    return *this;
}

CJsonWriter& CJsonWriter::Key(const char* name) {
    BeforeValue();
    m_out += '"';
    m_out += name;
    m_out += "\":";
    m_afterKey = true;
    return *this;
}

CJsonWriter& CJsonWriter::String(const std::wstring& value) {
    BeforeValue();
    m_out += '"' + ToUtf8(value, true) + '"';
    return *this;
}

CJsonWriter& CJsonWriter::Number(long long value) {
    BeforeValue();
    m_out += std::to_string(value);
    return *this;
}

CJsonWriter& CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_out += value ? "true" : "false";
    return *this;
}

std::string CJsonWriter::Text() const {
    return m_hasValue.empty() && !m_out.empty() ? m_out + "\n" : m_out;
}
