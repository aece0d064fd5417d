// Carrying out the run's steps.
#include "support/vxhandle.h"
#include "support/vxlog.h"
#include "support/vxtext.h"
#include "uninstall/pathresolve.h"
#include "uninstall/report.h"
#include "uninstall/stepsink.h"

#include <cwchar>
#include <iterator>

namespace {

using Step = tagRunStep;

// Another program holds it: worth waiting a little for.
bool isHeldError(DWORD err) {
    return err == ERROR_SHARING_VIOLATION || err == ERROR_LOCK_VIOLATION ||
           err == ERROR_ACCESS_DENIED;
}

std::wstring ErrorText(const wchar_t* what, DWORD err) {
    return std::wstring(what) + L" (error " + vx::DecimalText(err) + L")";
}

const unsigned kWaitSliceMs = 100;
const unsigned kWaitPerFileMs = 500;
const unsigned kWaitPerRunMs = 3000;

// The handle names exactly path and is what the step was decided for: a
// link, a folder or a file. Anything else was swapped in since.
bool isStillWhatWasJudged(HANDLE h, const Step& step) {
    FILE_BASIC_INFO info = {};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof(info)) ||
        !isHandleNamed(h, step.target))
        return false;
    const bool link = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    const bool folder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    if (step.action == Step::RemoveLink)
        return link;
    return !link && folder == (step.action == Step::RemoveFolder);
}

// Deletes through the handle once it is closed. A read-only attribute is
// cleared only when it is what refuses the deletion, and put back if the
// deletion is refused all the same.
DWORD DeleteOnClose(HANDLE h) {
    FILE_DISPOSITION_INFO dispose = {TRUE};
    if (SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof(dispose)))
        return ERROR_SUCCESS;
    DWORD err = GetLastError();
    FILE_BASIC_INFO info = {};
    if (!GetFileInformationByHandleEx(h, FileBasicInfo, &info, sizeof(info)) ||
        !(info.FileAttributes & FILE_ATTRIBUTE_READONLY))
        return err;
    FILE_BASIC_INFO cleared = {};
    cleared.FileAttributes = info.FileAttributes & ~FILE_ATTRIBUTE_READONLY;
    if (!cleared.FileAttributes)
        cleared.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    if (!SetFileInformationByHandle(h, FileBasicInfo, &cleared, sizeof(cleared)))
        return err;
    if (SetFileInformationByHandle(h, FileDispositionInfo, &dispose, sizeof(dispose)))
        return ERROR_SUCCESS;
    err = GetLastError();
    FILE_BASIC_INFO back = {};
    back.FileAttributes = info.FileAttributes;
    SetFileInformationByHandle(h, FileBasicInfo, &back, sizeof(back));
    return err;
}

Step::Verdict ScheduleAtRestart(const std::wstring& path, std::wstring& reason) {
    const std::wstring longPath = LongPath(path);
    // The removal at restart does not clear a read-only attribute.
    DWORD attrs = GetFileAttributesW(longPath.c_str());
    if (attrs != INVALID_FILE_ATTRIBUTES && (attrs & FILE_ATTRIBUTE_READONLY))
        SetFileAttributesW(longPath.c_str(), attrs & ~FILE_ATTRIBUTE_READONLY);
    if (MoveFileExW(longPath.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        if (reason.empty())
            reason = L"in use: removed at the next restart";
        return Step::AtRestart;
    }
    reason =
        ErrorText(L"in use, and it could not be scheduled for the next restart", GetLastError());
    return Step::Failed;
}

} // namespace

void CVxRemover::Started(const tagUninstallHeader& header) {
    // On a thread of its own; the run does not wait for it.
    DoReport(VX_REPORT_URL, L"uninstall", FieldText(header.szProductName));
}

Step::Verdict CVxRemover::Carry(const Step& step, std::wstring& reason) {
    switch (step.action) {
    case Step::DeleteFile:
    case Step::RemoveFolder:
    case Step::RemoveLink:
        if (step.verdict == Step::AtRestart)
            return ScheduleAtRestart(step.target, reason);
        return DeleteNode(step, reason);
    case Step::DeleteKey:
        return DeleteKey(step, reason);
    default:
        return step.verdict;
    }
}

bool CVxRemover::WaitForHolder() {
    if (m_waitedMs >= kWaitPerRunMs)
        return false;
    Sleep(kWaitSliceMs);
    m_waitedMs += kWaitSliceMs;
    return true;
}

Step::Verdict CVxRemover::DeleteNode(const Step& step, std::wstring& reason) {
    const std::wstring longPath = LongPath(step.target);
    // The engine's own handle was judged a moment ago.
    DWORD err = step.handle ? DeleteOnClose(step.handle) : ERROR_SHARING_VIOLATION;
    if (err == ERROR_SUCCESS)
        return Step::Removed;
    for (unsigned waited = 0; isHeldError(err); waited += kWaitSliceMs) {
        if (waited > 0 && (waited > kWaitPerFileMs || !WaitForHolder()))
            break;
        vx::unique_hfile h(CreateFileW(
            longPath.c_str(), DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
            FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (h) {
            if (!isStillWhatWasJudged(h.get(), step)) {
                reason = L"changed since it was checked: left alone";
                return Step::Failed;
            }
            err = DeleteOnClose(h.get());
            if (err == ERROR_SUCCESS)
                return Step::Removed;
        } else {
            err = GetLastError();
            if (err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND)
                return Step::Missing;
        }
    }
    if (err == ERROR_DIR_NOT_EMPTY) {
        reason = L"something came into it during the run";
        return Step::Failed;
    }
    // A link goes now or not at all: what removes files at restart might
    // not treat it as a link.
    if (step.action == Step::RemoveLink || !isHeldError(err)) {
        reason = ErrorText(L"could not be removed", err);
        return Step::Failed;
    }
    return ScheduleAtRestart(step.target, reason);
}

Step::Verdict CVxRemover::DeleteKey(const Step& step, std::wstring& reason) {
    const wchar_t kRoot[] = L"HKLM\\";
    const wchar_t* key = step.target.c_str();
    if (step.target.compare(0, wcslen(kRoot), kRoot) == 0)
        key += wcslen(kRoot);
    LONG r = step.view ? RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, step.view, 0)
                       : RegDeleteKeyW(HKEY_LOCAL_MACHINE, key);
    if (r == ERROR_SUCCESS)
        return Step::Removed;
    if (r == ERROR_FILE_NOT_FOUND)
        return Step::Missing;
    reason = ErrorText(L"could not be deleted", static_cast<DWORD>(r));
    return Step::Failed;
}

void CVxRemover::Finished(const std::vector<Step>& record, const wchar_t* recordName) {
    m_recordPath = WriteRunRecord(record, recordName);
    if (!m_copyPath.empty())
        WriteRunRecordTo(record, m_copyPath);
    // One entry in the diagnostic log (when it is on), not one a step. Its
    // size is taken first: grown step by step, a large run's entry would
    // take up to twice its size, beside the record itself.
    const wchar_t kHead[] = L"uninstall record:";
    const std::wstring totals = FormatTotals(CountVerdicts(record));
    size_t size = std::size(kHead) + 2 + totals.size();
    for (const Step& s : record)
        size += 2 + FormatStep(s).size();
    std::wstring text;
    text.reserve(size);
    text = kHead;
    for (const Step& s : record)
        text += L"\r\n" + FormatStep(s);
    text += L"\r\n" + totals;
    CVxLog::Instance().WriteLog(text.c_str());
}

std::wstring WriteRunRecord(const std::vector<Step>& record, const wchar_t* name) {
    wchar_t temp[MAX_PATH + 1];
    DWORD n = GetTempPathW(MAX_PATH + 1, temp);
    if (n == 0 || n > MAX_PATH)
        return L"";
    std::wstring path = std::wstring(temp) + name + L"-uninstall.log";
    return WriteRunRecordTo(record, path) ? path : L"";
}

bool WriteRunRecordTo(const std::vector<Step>& record, const std::wstring& path) {
    const std::string text = FormatRecord(record);
    // A new file only: whatever is there already (a link among them) is
    // removed as itself first, never written through.
    for (int attempt = 0; attempt < 2; ++attempt) {
        vx::unique_hfile f(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f) {
            DWORD written = 0;
            return WriteFile(f.get(), text.data(), static_cast<DWORD>(text.size()), &written,
                             nullptr) &&
                   written == text.size();
        }
        if (GetLastError() != ERROR_FILE_EXISTS || attempt > 0)
            break;
        std::wstring resolved;
        if (!ResolvePath(path.c_str(), resolved))
            break;
        NodeKind kind = OpenNode(resolved);
        if (kind != NodeKind::File && kind != NodeKind::Link)
            break;
        Step old = {Step::Manifest, kind == NodeKind::Link ? Step::RemoveLink : Step::DeleteFile,
                    Step::Removed, resolved, L""};
        std::wstring why;
        CVxRemover remover;
        if (remover.Carry(old, why) != Step::Removed)
            break;
    }
    return false;
}
