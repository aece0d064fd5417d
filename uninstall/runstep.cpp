#include "uninstall/runstep.h"

#include "support/vxtext.h"

namespace {

const wchar_t* const kPartWords[] = {L"manifest",      L"files and folders", L"registry",
                                     L"program group", L"desktop shortcut",  L"shortcut list",
                                     L"self-removal"};
const wchar_t* const kPartKeys[] = {L"manifest", L"entries",   L"registry",   L"programGroup",
                                    L"desktop",  L"shortcuts", L"selfRemoval"};
const wchar_t* const kActionWords[] = {L"read manifest", L"delete file", L"remove folder",
                                       L"remove link",   L"delete key",  L"script removes",
                                       L"read switches"};
const wchar_t* const kActionKeys[] = {L"read-manifest", L"delete-file", L"remove-folder",
                                      L"remove-link",   L"delete-key",  L"script-removes",
                                      L"read-switches"};
const wchar_t* const kVerdictWords[] = {L"removed", L"at restart", L"by script", L"kept",
                                        L"refused", L"not there",  L"failed"};
const wchar_t* const kVerdictKeys[] = {L"removed", L"at-restart", L"by-script", L"kept",
                                       L"refused", L"missing",    L"failed"};

std::wstring Padded(const wchar_t* word, size_t width) {
    std::wstring s = word;
    if (s.size() < width)
        s.resize(width, L' ');
    return s;
}

} // namespace

const wchar_t* PartWord(tagRunStep::Part part) {
    return kPartWords[part];
}
const wchar_t* ActionWord(tagRunStep::Action action) {
    return kActionWords[action];
}
const wchar_t* VerdictWord(tagRunStep::Verdict verdict) {
    return kVerdictWords[verdict];
}
const wchar_t* PartKey(tagRunStep::Part part) {
    return kPartKeys[part];
}
const wchar_t* ActionKey(tagRunStep::Action action) {
    return kActionKeys[action];
}
const wchar_t* VerdictKey(tagRunStep::Verdict verdict) {
    return kVerdictKeys[verdict];
}

std::wstring FormatStep(const tagRunStep& step) {
    std::wstring line = Padded(VerdictWord(step.verdict), 11) + L" " +
                        Padded(ActionWord(step.action), 15) + L" " + step.target;
    if (!step.reason.empty())
        line += L"  [" + step.reason + L"]";
    return line;
}

int tagRunTotals::Left() const {
    return count[tagRunStep::Kept] + count[tagRunStep::Refused] + count[tagRunStep::Failed];
}

tagRunTotals CountVerdicts(const std::vector<tagRunStep>& steps) {
    tagRunTotals t;
    for (const tagRunStep& s : steps)
        ++t.count[s.verdict];
    return t;
}

std::wstring FormatTotals(const tagRunTotals& t) {
    std::wstring line = L"total:";
    for (int v = tagRunStep::Removed; v <= tagRunStep::Failed; ++v)
        line += (v ? L", " : L" ") + vx::DecimalText(t.count[v]) + L" " +
                VerdictWord(static_cast<tagRunStep::Verdict>(v));
    return line;
}

std::string FormatRecord(const std::vector<tagRunStep>& steps) {
    // Line by line into UTF-8: a large run's record never exists whole in
    // UTF-16 as well, which would take twice the memory of the result.
    std::string out;
    auto add = [&out](const std::wstring& line) {
        const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()),
                                          nullptr, 0, nullptr, nullptr);
        const size_t at = out.size();
        out.resize(at + (n > 0 ? n : 0));
        if (n > 0)
            WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), &out[at], n,
                                nullptr, nullptr);
        out += "\r\n";
    };
    for (const tagRunStep& s : steps)
        add(FormatStep(s));
    add(FormatTotals(CountVerdicts(steps)));
    return out;
}
