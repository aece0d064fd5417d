// The confirmation's question, made to fit its one line.
#pragma once

#include <functional>
#include <string>

// "您确定要卸载<name>?" when it fits in maxWidth as measured; otherwise the
// name is shortened and ends in "…", so the question and its mark always
// show. With no room even for "…" the name is left out.
std::wstring FitPrompt(const std::wstring& name, int maxWidth,
                       const std::function<int(const std::wstring&)>& measure);
