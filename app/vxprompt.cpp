#include "app/vxprompt.h"

namespace {

std::wstring Prompt(const std::wstring& name) {
    return L"您确定要卸载" + name + L"?";
}

} // namespace

std::wstring FitPrompt(const std::wstring& name, int maxWidth,
                       const std::function<int(const std::wstring&)>& measure) {
    if (measure(Prompt(name)) <= maxWidth)
        return Prompt(name);
    // The longest head of the name that still fits with the ellipsis.
    size_t lo = 0, hi = name.size();
    while (lo < hi) {
        size_t mid = (lo + hi + 1) / 2;
        if (measure(Prompt(name.substr(0, mid) + L"…")) <= maxWidth)
            lo = mid;
        else
            hi = mid - 1;
    }
    // A head that ends in a space would show "Kelp …".
    std::wstring head = name.substr(0, lo);
    while (!head.empty() && head.back() == L' ')
        head.pop_back();
    return Prompt(lo == 0 && measure(Prompt(L"…")) > maxWidth ? L"" : head + L"…");
}
