// The verbs of vxmkman; each takes the arguments after its name and returns
// the process's exit code (MkmanExit).
#pragma once

int RunWrite(int argc, wchar_t** argv);
int RunShow(int argc, wchar_t** argv);
int RunPlan(int argc, wchar_t** argv);
int RunRegister(int argc, wchar_t** argv);
