// The object holds only the window: every call looks the dialog up again,
// so a client that keeps the object after the window has gone gets an
// error, never a dangling dialog. Calls arrive on the window's thread (the
// object lives in its apartment); a default action is posted, so a click
// that runs a modal loop does not run inside the client's call.
#include "ui/vxaccess.h"

#include "ui/vxdlg.h"

#include <oleacc.h>
#include <new>

namespace {

const wchar_t kPressAction[] = L"按下";

UINT PressMessage() {
    static const UINT msg = RegisterWindowMessageW(L"vxAccessiblePress");
    return msg;
}

class CVxAccessible final : public IAccessible {
public:
    explicit CVxAccessible(HWND wnd) : m_wnd(wnd) {}
    virtual ~CVxAccessible() = default;

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == IID_IAccessible) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&m_refs); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG left = InterlockedDecrement(&m_refs);
        if (left == 0)
            delete this;
        return left;
    }

    // IDispatch: the accessible methods are called directly.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count)
            *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        return E_NOTIMPL;
    }

    STDMETHODIMP get_accParent(IDispatch** parent) override {
        if (!parent)
            return E_POINTER;
        *parent = nullptr;
        return AccessibleObjectFromWindow(m_wnd, static_cast<DWORD>(OBJID_WINDOW), IID_IDispatch,
                                          reinterpret_cast<void**>(parent));
    }
    STDMETHODIMP get_accChildCount(long* count) override {
        if (!count)
            return E_POINTER;
        CVxDlg* dlg = Dialog();
        if (!dlg)
            return RPC_E_DISCONNECTED;
        *count = static_cast<long>(dlg->AccItems().size());
        return S_OK;
    }
    // The children are simple elements, named by their child id.
    STDMETHODIMP get_accChild(VARIANT, IDispatch** child) override {
        if (child)
            *child = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP get_accName(VARIANT child, BSTR* name) override {
        return Text(child, name, [](HWND wnd, const CVxDlg::tagAccItem* item) {
            if (item)
                return item->name;
            wchar_t title[256] = {};
            GetWindowTextW(wnd, title, 256);
            return std::wstring(title);
        });
    }
    STDMETHODIMP get_accValue(VARIANT child, BSTR* value) override {
        return Text(child, value, [](HWND, const CVxDlg::tagAccItem* item) {
            return item ? item->value : std::wstring();
        });
    }
    STDMETHODIMP get_accDescription(VARIANT, BSTR* text) override { return Nothing(text); }
    STDMETHODIMP get_accHelp(VARIANT, BSTR* text) override { return Nothing(text); }
    STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
        if (topic)
            *topic = 0;
        return Nothing(file);
    }
    STDMETHODIMP get_accKeyboardShortcut(VARIANT, BSTR* text) override { return Nothing(text); }
    STDMETHODIMP get_accRole(VARIANT child, VARIANT* role) override {
        return Number(child, role, [](HWND, const CVxDlg::tagAccItem* item) -> long {
            return item ? item->role : ROLE_SYSTEM_DIALOG;
        });
    }
    STDMETHODIMP get_accState(VARIANT child, VARIANT* state) override {
        return Number(child, state, [](HWND wnd, const CVxDlg::tagAccItem* item) -> long {
            if (item)
                return item->state;
            return (GetForegroundWindow() == wnd ? STATE_SYSTEM_FOCUSED : 0) |
                   STATE_SYSTEM_FOCUSABLE;
        });
    }
    STDMETHODIMP get_accFocus(VARIANT* focus) override {
        if (!focus)
            return E_POINTER;
        CVxDlg* dlg = Dialog();
        if (!dlg)
            return RPC_E_DISCONNECTED;
        focus->vt = VT_EMPTY;
        if (GetForegroundWindow() != m_wnd)
            return S_FALSE;
        long id = dlg->AccChildOf(dlg->FocusedControl());
        focus->vt = VT_I4;
        focus->lVal = id ? id : CHILDID_SELF;
        return S_OK;
    }
    STDMETHODIMP get_accSelection(VARIANT* selection) override {
        if (selection)
            selection->vt = VT_EMPTY;
        return S_FALSE;
    }
    STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* action) override {
        return Text(child, action, [](HWND, const CVxDlg::tagAccItem* item) {
            return item && item->control && item->control->isFocusable()
                       ? std::wstring(kPressAction)
                       : std::wstring();
        });
    }
    STDMETHODIMP accSelect(long flags, VARIANT child) override {
        CVxDlg::tagAccItem item;
        bool self = false;
        HRESULT hr = Lookup(child, item, self);
        if (FAILED(hr))
            return hr;
        if (!(flags & SELFLAG_TAKEFOCUS) || self || !item.control || !item.control->isFocusable())
            return S_FALSE;
        CVxDlg* dlg = Dialog();
        for (size_t i = 0; i < dlg->controls.size(); ++i)
            if (dlg->controls[i] == item.control)
                dlg->SetFocusIndex(static_cast<int>(i));
        return S_OK;
    }
    STDMETHODIMP accLocation(long* left, long* top, long* width, long* height,
                             VARIANT child) override {
        if (!left || !top || !width || !height)
            return E_POINTER;
        CVxDlg::tagAccItem item;
        bool self = false;
        HRESULT hr = Lookup(child, item, self);
        if (FAILED(hr))
            return hr;
        RECT r = item.rect;
        if (self)
            GetClientRect(m_wnd, &r);
        MapWindowPoints(m_wnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
        *left = r.left;
        *top = r.top;
        *width = r.right - r.left;
        *height = r.bottom - r.top;
        return S_OK;
    }
    STDMETHODIMP accNavigate(long dir, VARIANT start, VARIANT* end) override {
        if (!end)
            return E_POINTER;
        end->vt = VT_EMPTY;
        CVxDlg* dlg = Dialog();
        if (!dlg)
            return RPC_E_DISCONNECTED;
        const long count = static_cast<long>(dlg->AccItems().size());
        const long from = start.vt == VT_I4 ? start.lVal : CHILDID_SELF;
        long to = 0;
        if (from == CHILDID_SELF && (dir == NAVDIR_FIRSTCHILD || dir == NAVDIR_LASTCHILD))
            to = dir == NAVDIR_FIRSTCHILD ? 1 : count;
        else if (from != CHILDID_SELF && (dir == NAVDIR_NEXT || dir == NAVDIR_DOWN))
            to = from + 1;
        else if (from != CHILDID_SELF && (dir == NAVDIR_PREVIOUS || dir == NAVDIR_UP))
            to = from - 1;
        if (to < 1 || to > count)
            return S_FALSE;
        end->vt = VT_I4;
        end->lVal = to;
        return S_OK;
    }
    STDMETHODIMP accHitTest(long sx, long sy, VARIANT* hit) override {
        if (!hit)
            return E_POINTER;
        hit->vt = VT_EMPTY;
        CVxDlg* dlg = Dialog();
        if (!dlg)
            return RPC_E_DISCONNECTED;
        POINT p = {sx, sy};
        ScreenToClient(m_wnd, &p);
        RECT client = {};
        GetClientRect(m_wnd, &client);
        if (!PtInRect(&client, p))
            return S_FALSE;
        std::vector<CVxDlg::tagAccItem> items = dlg->AccItems();
        hit->vt = VT_I4;
        hit->lVal = CHILDID_SELF;
        for (size_t i = 0; i < items.size(); ++i)
            if (PtInRect(&items[i].rect, p))
                hit->lVal = static_cast<long>(i + 1);
        return S_OK;
    }
    STDMETHODIMP accDoDefaultAction(VARIANT child) override {
        CVxDlg::tagAccItem item;
        bool self = false;
        HRESULT hr = Lookup(child, item, self);
        if (FAILED(hr))
            return hr;
        if (self || !item.control || !item.control->isFocusable())
            return DISP_E_MEMBERNOTFOUND;
        PostMessageW(m_wnd, PressMessage(), 0, reinterpret_cast<LPARAM>(item.control));
        return S_OK;
    }
    STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    CVxDlg* Dialog() const {
        if (!IsWindow(m_wnd))
            return nullptr;
        // Only dialogs hand out this object; the window keeps its CVxWin.
        return static_cast<CVxDlg*>(
            reinterpret_cast<CVxWin*>(GetWindowLongPtrW(m_wnd, GWLP_USERDATA)));
    }
    // The item a child id names; self for CHILDID_SELF.
    HRESULT Lookup(const VARIANT& child, CVxDlg::tagAccItem& item, bool& self) const {
        CVxDlg* dlg = Dialog();
        if (!dlg)
            return RPC_E_DISCONNECTED;
        if (child.vt != VT_I4)
            return E_INVALIDARG;
        self = child.lVal == CHILDID_SELF;
        if (self)
            return S_OK;
        std::vector<CVxDlg::tagAccItem> items = dlg->AccItems();
        if (child.lVal < 1 || child.lVal > static_cast<long>(items.size()))
            return E_INVALIDARG;
        item = items[child.lVal - 1];
        return S_OK;
    }
    template <typename F> HRESULT Text(const VARIANT& child, BSTR* out, F text) const {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        CVxDlg::tagAccItem item;
        bool self = false;
        HRESULT hr = Lookup(child, item, self);
        if (FAILED(hr))
            return hr;
        std::wstring s = text(m_wnd, self ? nullptr : &item);
        if (s.empty())
            return S_FALSE;
        *out = SysAllocString(s.c_str());
        return *out ? S_OK : E_OUTOFMEMORY;
    }
    template <typename F> HRESULT Number(const VARIANT& child, VARIANT* out, F number) const {
        if (!out)
            return E_POINTER;
        CVxDlg::tagAccItem item;
        bool self = false;
        HRESULT hr = Lookup(child, item, self);
        if (FAILED(hr))
            return hr;
        out->vt = VT_I4;
        out->lVal = number(m_wnd, self ? nullptr : &item);
        return S_OK;
    }
    static HRESULT Nothing(BSTR* out) {
        if (out)
            *out = nullptr;
        return S_FALSE;
    }

    HWND m_wnd;
    LONG m_refs = 1;
};

} // namespace

LRESULT AnswerGetObject(CVxDlg* dlg, WPARAM wParam) {
    // The object is handed out through COM: the window's thread must be in
    // an apartment, which it keeps for the rest of its life.
    static thread_local HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    (void)com;
    auto* object = new (std::nothrow) CVxAccessible(dlg->hwnd);
    if (!object)
        return 0;
    LRESULT result = LresultFromObject(IID_IAccessible, wParam, object);
    object->Release();
    return result;
}

// The dialog's side of a posted default action.
bool HandleAccessiblePress(CVxDlg* dlg, UINT msg, LPARAM lParam) {
    if (msg != PressMessage())
        return false;
    auto* control = reinterpret_cast<CVxBase*>(lParam);
    for (CVxBase* c : dlg->controls)
        if (c == control && c->isFocusable() && !dlg->frozen)
            dlg->PressControl(c);
    return true;
}
