// The board's accessible object. Children 1..14 are bins 0..13: the twelve
// playing bins are push buttons named by side and screen column as the
// History names them ("Player 2 bin 3"), the stores static text ("Player 1
// store"); each one's value is its stone count. What the object does not
// know itself (its parent, its own name and place, navigation) comes from
// the standard client object of the window.
#include "shell/accessible.h"

#include <oleacc.h>

#include <new>
#include <string>

#include "board/board.h"
#include "engine/engine.h"
#include "game/play.h"
#include "game/session.h"

namespace {

// From the interface's own declaration: the IID_IAccessible that mingw-w64's
// import libraries link in is not IAccessible's (its first field reads
// 0x255225ff), and oleacc refuses it.
const IID accessible_iid = __uuidof(IAccessible);

BSTR bstr(const std::string& text)
{
    std::wstring wide(text.begin(), text.end()); // ASCII only
    return SysAllocString(wide.c_str());
}

// The bin a child id names, or -1 for the object itself or anything else.
int bin_of(const VARIANT& child)
{
    if (child.vt != VT_I4 || child.lVal < 1 || child.lVal > 14)
        return -1;
    return child.lVal - 1;
}

bool is_self(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

class board_accessible final : public IAccessible {
public:
    board_accessible(HWND hwnd, IAccessible* standard) : hwnd_(hwnd), standard_(standard) {}

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (out == nullptr)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == accessible_iid) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) {
            if (standard_)
                standard_->Release();
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    // IDispatch: readers call the IAccessible methods directly.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        return E_NOTIMPL;
    }

    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return standard_ ? standard_->get_accParent(parent) : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        if (!count)
            return E_POINTER;
        *count = 14;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        return bin_of(child) >= 0 ? S_FALSE : E_INVALIDARG; // the bins are simple elements
    }
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (!name)
            return E_POINTER;
        *name = nullptr;
        if (is_self(child))
            return standard_ ? standard_->get_accName(child, name) : S_FALSE;
        const int bin = bin_of(child);
        if (bin < 0)
            return E_INVALIDARG;
        const int side = side_of(bin);
        *name = side < 0 ? bstr(std::string(bin_label[bin]) + " store")
                         : bstr(std::string(bin_label[side]) + " bin " + bin_label[bin]);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        if (!value)
            return E_POINTER;
        *value = nullptr;
        const int bin = bin_of(child);
        if (is_self(child))
            return S_FALSE;
        if (bin < 0)
            return E_INVALIDARG;
        const int n = g_current ? g_current->bins[bin] : 0;
        *value = bstr(std::to_string(n) + (n == 1 ? " stone" : " stones"));
        return S_OK;
    }
    // A bin's move value while Show Move Values shows it.
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        const int bin = bin_of(child);
        char description[32] = "";
        if (bin >= 0)
            value_description(bin, description);
        if (text == nullptr || description[0] == 0)
            return none(child, text);
        *text = bstr(description);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!role)
            return E_POINTER;
        VariantInit(role);
        const int bin = bin_of(child);
        if (!is_self(child) && bin < 0)
            return E_INVALIDARG;
        role->vt = VT_I4;
        role->lVal = is_self(child)     ? ROLE_SYSTEM_CLIENT
                     : side_of(bin) < 0 ? ROLE_SYSTEM_STATICTEXT
                                        : ROLE_SYSTEM_PUSHBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        if (!state)
            return E_POINTER;
        VariantInit(state);
        if (is_self(child))
            return standard_ ? standard_->get_accState(child, state) : S_FALSE;
        const int bin = bin_of(child);
        if (bin < 0)
            return E_INVALIDARG;
        state->vt = VT_I4;
        state->lVal = 0;
        if (side_of(bin) >= 0) {
            state->lVal = playable_now(bin) ? STATE_SYSTEM_FOCUSABLE : STATE_SYSTEM_UNAVAILABLE;
            if (bin == g_focus_bin)
                state->lVal |= STATE_SYSTEM_FOCUSED;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override { return none(child, text); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override
    {
        if (file)
            *file = nullptr;
        if (topic)
            *topic = 0;
        return S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* text) override
    {
        if (text)
            *text = nullptr;
        const int bin = bin_of(child);
        if (!text || bin < 0 || side_of(bin) < 0)
            return text ? S_FALSE : E_POINTER;
        *text = bstr(bin_label[bin]); // the digit keys play by column
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override
    {
        if (!focus)
            return E_POINTER;
        VariantInit(focus);
        if (GetFocus() != hwnd_)
            return S_FALSE;
        focus->vt = VT_I4;
        focus->lVal = g_focus_bin >= 0 ? g_focus_bin + 1 : CHILDID_SELF;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override
    {
        if (selection)
            VariantInit(selection);
        return selection ? S_FALSE : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        if (!action)
            return E_POINTER;
        *action = nullptr;
        const int bin = bin_of(child);
        if (!is_self(child) && bin < 0)
            return E_INVALIDARG;
        if (bin < 0 || !playable_now(bin))
            return S_FALSE;
        *action = bstr("Play");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override { return DISP_E_MEMBERNOTFOUND; }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* w, long* h, VARIANT child) override
    {
        if (!x || !y || !w || !h)
            return E_POINTER;
        if (is_self(child))
            return standard_ ? standard_->accLocation(x, y, w, h, child) : S_FALSE;
        const int bin = bin_of(child);
        if (bin < 0)
            return E_INVALIDARG;
        const RECT cell = bin_cell(bin);
        POINT corner{cell.left, cell.top};
        ClientToScreen(hwnd_, &corner);
        *x = corner.x, *y = corner.y, *w = cell.right - cell.left, *h = cell.bottom - cell.top;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override
    {
        if (!end)
            return E_POINTER;
        VariantInit(end);
        const int bin = bin_of(start);
        if (bin < 0)
            return standard_ && is_self(start) ? standard_->accNavigate(direction, start, end) : E_INVALIDARG;
        int next = -1;
        if (direction == NAVDIR_NEXT)
            next = bin + 1;
        else if (direction == NAVDIR_PREVIOUS)
            next = bin - 1;
        if (next < 0 || next > 13)
            return S_FALSE;
        end->vt = VT_I4;
        end->lVal = next + 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        if (!child)
            return E_POINTER;
        VariantInit(child);
        POINT p{x, y};
        ScreenToClient(hwnd_, &p);
        RECT client;
        GetClientRect(hwnd_, &client);
        if (!PtInRect(&client, p))
            return S_FALSE;
        child->vt = VT_I4;
        child->lVal = CHILDID_SELF;
        for (int bin = 0; bin < 14; ++bin) {
            const RECT cell = bin_cell(bin);
            if (PtInRect(&cell, p))
                child->lVal = bin + 1;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        const int bin = bin_of(child);
        if (!is_self(child) && bin < 0)
            return E_INVALIDARG;
        if (bin < 0 || !playable_now(bin))
            return DISP_E_MEMBERNOTFOUND;
        // Posted, as the click it stands for: the reader's call returns at
        // once, and the move waits for an animation under way as a click does.
        const RECT cell = bin_cell(bin);
        PostMessageA(hwnd_, WM_LBUTTONUP, 0,
                     MAKELPARAM((cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
    ~board_accessible() = default;

    HRESULT none(const VARIANT& child, BSTR* text) const
    {
        if (!text)
            return E_POINTER;
        *text = nullptr;
        return is_self(child) || bin_of(child) >= 0 ? S_FALSE : E_INVALIDARG;
    }

    LONG refs_ = 1;
    HWND hwnd_;
    IAccessible* standard_;
};

} // namespace

LRESULT board_object(HWND hwnd, WPARAM wparam, LPARAM lparam)
{
    if (static_cast<LONG>(static_cast<DWORD>(lparam)) != OBJID_CLIENT)
        return 0;
    IAccessible* standard = nullptr;
    if (FAILED(CreateStdAccessibleObject(hwnd, OBJID_CLIENT, accessible_iid,
                                         reinterpret_cast<void**>(&standard))))
        standard = nullptr;
    auto* object = new (std::nothrow) board_accessible(hwnd, standard);
    if (!object) {
        if (standard)
            standard->Release();
        return 0;
    }
    const LRESULT result = LresultFromObject(accessible_iid, wparam, static_cast<IAccessible*>(object));
    object->Release(); // LresultFromObject holds its own reference
    return result > 0 ? result : 0;
}
