// Where the engine's decided steps go: a plan keeps them as decided, a run
// carries each out on a handle it checks again first.
#pragma once

#include "uninstall/manifest.h"
#include "uninstall/runstep.h"

#include <string>
#include <vector>

class CVxStepSink {
public:
    virtual ~CVxStepSink() = default;
    // A run has read its manifest and is about to remove what it names.
    virtual void Started(const tagUninstallHeader& header) = 0;
    // Carries out a step decided as Removed or AtRestart; returns what came
    // of it and may say why in reason.
    virtual tagRunStep::Verdict Carry(const tagRunStep& step, std::wstring& reason) = 0;
    // The run's steps are all decided.
    virtual void Finished(const std::vector<tagRunStep>& record, const wchar_t* recordName) = 0;
};

// A plan: nothing is carried out, every step keeps the verdict it was given.
class CVxPlanSink : public CVxStepSink {
public:
    void Started(const tagUninstallHeader&) override {}
    tagRunStep::Verdict Carry(const tagRunStep& step, std::wstring&) override {
        return step.verdict;
    }
    void Finished(const std::vector<tagRunStep>&, const wchar_t*) override {}
};

// A run: deletes through a handle opened without following links, clears a
// read-only attribute only on what it deletes, retries a file another
// program holds for a short while and then schedules it for the next
// restart; sends the "uninstall" report and writes the record.
class CVxRemover : public CVxStepSink {
public:
    void Started(const tagUninstallHeader& header) override;
    tagRunStep::Verdict Carry(const tagRunStep& step, std::wstring& reason) override;
    void Finished(const std::vector<tagRunStep>& record, const wchar_t* recordName) override;

    // Where the last record was written ("" when it could not be).
    const std::wstring& RecordPath() const { return m_recordPath; }
    // A second place the record goes to ("" for none).
    void SetCopyPath(const std::wstring& path) { m_copyPath = path; }

private:
    tagRunStep::Verdict DeleteNode(const tagRunStep& step, std::wstring& reason);
    tagRunStep::Verdict DeleteKey(const tagRunStep& step, std::wstring& reason);
    bool WaitForHolder();

    // Held files wait at most this long in a whole run, so many of them
    // cannot stall it.
    unsigned m_waitedMs = 0;
    std::wstring m_recordPath;
    std::wstring m_copyPath;
};

// Writes the record as UTF-8 text to %TEMP%\<name>-uninstall.log, never
// through a link that is already there; the file's path, or "".
std::wstring WriteRunRecord(const std::vector<tagRunStep>& record, const wchar_t* name);
// The same to the file path; false when it cannot be written.
bool WriteRunRecordTo(const std::vector<tagRunStep>& record, const std::wstring& path);
