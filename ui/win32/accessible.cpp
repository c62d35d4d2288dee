#include "ui/win32/accessible.h"

#include <oleacc.h>

#include <new>
#include <string>
#include <utility>

#include "platform/win32/system_library.h"

namespace ktr::ui::win32 {
namespace {

// {618736E0-3C3D-11CF-810C-00AA00389B71}
constexpr IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};

// Active Accessibility and the COM pieces it needs, taken from the system
// folder when a screen reader first asks. Windows XP SP3 has every one.
struct Oleacc {
  using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
  using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
  using CoInitializeExFn = HRESULT(WINAPI*)(LPVOID, DWORD);
  using CoDisconnectObjectFn = HRESULT(WINAPI*)(LPUNKNOWN, DWORD);
  using SysAllocStringLenFn = BSTR(WINAPI*)(const OLECHAR*, UINT);

  LresultFromObjectFn lresult_from_object = nullptr;
  CreateStdAccessibleObjectFn create_std_accessible_object = nullptr;
  CoInitializeExFn co_initialize_ex = nullptr;
  CoDisconnectObjectFn co_disconnect_object = nullptr;
  SysAllocStringLenFn sys_alloc_string_len = nullptr;

  bool usable() const {
    return lresult_from_object && create_std_accessible_object && co_initialize_ex &&
           co_disconnect_object && sys_alloc_string_len;
  }
};

template <class Fn>
Fn Function(HMODULE module, const char* name) {
  if (!module) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// Loaded once and kept: the libraries stay for the life of the process, as
// the objects handed out live in them. The thread joins a single-threaded
// apartment here, since marshalling an object to another process needs one.
const Oleacc* LoadedOleacc() {
  static const Oleacc loaded = [] {
    Oleacc o;
    HMODULE oleacc = ktr::win32::LoadSystemLibrary("oleacc.dll");
    HMODULE ole32 = ktr::win32::LoadSystemLibrary("ole32.dll");
    HMODULE oleaut32 = ktr::win32::LoadSystemLibrary("oleaut32.dll");
    o.lresult_from_object = Function<Oleacc::LresultFromObjectFn>(oleacc, "LresultFromObject");
    o.create_std_accessible_object =
        Function<Oleacc::CreateStdAccessibleObjectFn>(oleacc, "CreateStdAccessibleObject");
    o.co_initialize_ex = Function<Oleacc::CoInitializeExFn>(ole32, "CoInitializeEx");
    o.co_disconnect_object = Function<Oleacc::CoDisconnectObjectFn>(ole32, "CoDisconnectObject");
    o.sys_alloc_string_len = Function<Oleacc::SysAllocStringLenFn>(oleaut32, "SysAllocStringLen");
    if (o.usable()) o.co_initialize_ex(nullptr, COINIT_APARTMENTTHREADED);
    return o;
  }();
  return loaded.usable() ? &loaded : nullptr;
}

void Clear(VARIANT* variant) { variant->vt = VT_EMPTY; }

// The model's texts are in the system's ANSI code page, as every text of
// the medium; screen readers take UTF-16. No text is S_FALSE.
HRESULT Utf16(const std::string& text, BSTR* out, const Oleacc& oleacc) {
  *out = nullptr;
  if (text.empty()) return S_FALSE;
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, nullptr, 0);
  if (length <= 0) return S_FALSE;
  *out = oleacc.sys_alloc_string_len(nullptr, static_cast<UINT>(length));
  if (!*out) return E_OUTOFMEMORY;
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), size, *out, length);
  return S_OK;
}

LONG RoleOf(AccessibleRole role) {
  switch (role) {
    case AccessibleRole::kPushButton:
      return ROLE_SYSTEM_PUSHBUTTON;
    case AccessibleRole::kStaticText:
      return ROLE_SYSTEM_STATICTEXT;
    case AccessibleRole::kEditableText:
      return ROLE_SYSTEM_TEXT;
    case AccessibleRole::kNone:
      break;
  }
  return ROLE_SYSTEM_CLIENT;
}

LONG StateOf(const AccessibleState& state) {
  LONG bits = 0;
  if (state.unavailable) bits |= STATE_SYSTEM_UNAVAILABLE;
  if (state.invisible) bits |= STATE_SYSTEM_INVISIBLE;
  if (state.focusable) bits |= STATE_SYSTEM_FOCUSABLE;
  if (state.focused) bits |= STATE_SYSTEM_FOCUSED;
  if (state.hot_tracked) bits |= STATE_SYSTEM_HOTTRACKED;
  if (state.read_only) bits |= STATE_SYSTEM_READONLY;
  return bits;
}

DWORD WinEventOf(AccessibleEvent event) {
  switch (event) {
    case AccessibleEvent::kFocus:
      return EVENT_OBJECT_FOCUS;
    case AccessibleEvent::kNameChange:
      return EVENT_OBJECT_NAMECHANGE;
    case AccessibleEvent::kStateChange:
      break;
  }
  return EVENT_OBJECT_STATECHANGE;
}

}  // namespace

// What both accessible objects share: IUnknown with its count, and an
// IDispatch that names nothing (screen readers call the interface directly).
// Made with one reference, which its maker owns.
class AccessibleObject : public IAccessible {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == __uuidof(IUnknown) || iid == __uuidof(IDispatch) || iid == kIidAccessible) {
      *out = static_cast<IAccessible*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    const long left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return E_NOTIMPL;
  }

 protected:
  virtual ~AccessibleObject() = default;

 private:
  long references_ = 1;
};

// The client area's object. Element children (no objects of their own) are
// numbered as the model numbers them; everything about the window itself
// comes from the system's standard object for the client area.
class FormAccessible final : public AccessibleObject {
 public:
  FormAccessible(Form& form, const Scale& scale, HWND window, IAccessible* standard,
                 const Oleacc& oleacc)
      : form_(&form), scale_(scale), window_(window), standard_(standard), oleacc_(oleacc) {}

  void disconnect() {
    form_ = nullptr;
    if (standard_) std::exchange(standard_, nullptr)->Release();
    oleacc_.co_disconnect_object(static_cast<IAccessible*>(this), 0);
  }


  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    if (!form_) return RPC_E_DISCONNECTED;
    return standard_ ? standard_->get_accParent(parent) : S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    if (!count) return E_POINTER;
    if (!form_) return RPC_E_DISCONNECTED;
    *count = form_->accessible_child_count();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!form_) return RPC_E_DISCONNECTED;
    const int id = ChildOf(child);
    if (id <= 0) return E_INVALIDARG;
    return S_FALSE;  // an element: asked through this object with its id
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    return Text(child, name, [this](int id) { return form_->accessible_name(id); });
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return Text(child, value, [](int) { return std::string(); });
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return Text(child, description, [this](int id) { return form_->accessible_description(id); });
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    if (!role) return E_POINTER;
    Clear(role);
    if (!form_) return RPC_E_DISCONNECTED;
    const int id = ChildOf(child);
    if (id < 0) return E_INVALIDARG;
    if (id == kAccessibleSelf && standard_) return standard_->get_accRole(child, role);
    role->vt = VT_I4;
    role->lVal = id == kAccessibleSelf ? ROLE_SYSTEM_CLIENT : RoleOf(form_->accessible_role(id));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    if (!state) return E_POINTER;
    Clear(state);
    if (!form_) return RPC_E_DISCONNECTED;
    const int id = ChildOf(child);
    if (id < 0) return E_INVALIDARG;
    state->vt = VT_I4;
    state->lVal = StateOf(form_->accessible_state(id));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT, BSTR* help) override { return Nothing(help); }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT, long* topic) override {
    if (topic) *topic = 0;
    return Nothing(file);
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT, BSTR* shortcut) override {
    return Nothing(shortcut);
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    if (!focus) return E_POINTER;
    Clear(focus);
    if (!form_) return RPC_E_DISCONNECTED;
    if (const int id = form_->accessible_focus()) {
      focus->vt = VT_I4;
      focus->lVal = id;
      return S_OK;
    }
    if (::GetFocus() == window_) {
      focus->vt = VT_I4;
      focus->lVal = CHILDID_SELF;
      return S_OK;
    }
    return S_FALSE;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    if (!selection) return E_POINTER;
    Clear(selection);
    return form_ ? S_FALSE : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return Text(child, action, [this](int id) { return form_->accessible_default_action(id); });
  }
  HRESULT STDMETHODCALLTYPE accSelect(long, VARIANT) override {
    return form_ ? DISP_E_MEMBERNOTFOUND : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    if (!left || !top || !width || !height) return E_POINTER;
    *left = *top = *width = *height = 0;
    if (!form_) return RPC_E_DISCONNECTED;
    const int id = ChildOf(child);
    if (id < 0) return E_INVALIDARG;
    if (id == kAccessibleSelf && standard_) {
      return standard_->accLocation(left, top, width, height, child);
    }
    const std::optional<Rect> place = form_->accessible_location(id);
    if (!place) return E_INVALIDARG;
    const Rect shown = scale_.px(*place);
    POINT origin{shown.left, shown.top};
    ::ClientToScreen(window_, &origin);
    *left = origin.x;
    *top = origin.y;
    *width = shown.width;
    *height = shown.height;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    if (!end) return E_POINTER;
    Clear(end);
    if (!form_) return RPC_E_DISCONNECTED;
    const int from = ChildOf(start);
    if (from < 0) return E_INVALIDARG;
    int to = 0;
    switch (direction) {
      case NAVDIR_FIRSTCHILD:
        to = form_->accessible_navigate(from, AccessibleDirection::kFirstChild);
        break;
      case NAVDIR_LASTCHILD:
        to = form_->accessible_navigate(from, AccessibleDirection::kLastChild);
        break;
      default:
        // The window among its siblings is the system's business.
        if (from == kAccessibleSelf) {
          return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
        }
        if (direction == NAVDIR_NEXT || direction == NAVDIR_DOWN || direction == NAVDIR_RIGHT) {
          to = form_->accessible_navigate(from, AccessibleDirection::kNext);
        } else if (direction == NAVDIR_PREVIOUS || direction == NAVDIR_UP ||
                   direction == NAVDIR_LEFT) {
          to = form_->accessible_navigate(from, AccessibleDirection::kPrevious);
        } else {
          return E_INVALIDARG;
        }
        break;
    }
    if (to == 0) return S_FALSE;
    end->vt = VT_I4;
    end->lVal = to;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* found) override {
    if (!found) return E_POINTER;
    Clear(found);
    if (!form_) return RPC_E_DISCONNECTED;
    POINT at{x, y};
    ::ScreenToClient(window_, &at);
    const std::optional<int> id =
        form_->accessible_child_at(scale_.layout(at.x), scale_.layout(at.y));
    if (!id) return S_FALSE;
    found->vt = VT_I4;
    found->lVal = *id;
    return S_OK;
  }
  // The press runs after this call has returned: it may start an installer
  // and wait for it, which must never happen inside a screen reader's call.
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    if (!form_) return RPC_E_DISCONNECTED;
    const int id = ChildOf(child);
    if (id < 0) return E_INVALIDARG;
    if (!form_->accessible_can_press(id)) return DISP_E_MEMBERNOTFOUND;
    if (!::PostMessageA(window_, kAccessiblePressMessage, static_cast<WPARAM>(id), 0)) {
      return E_FAIL;
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  ~FormAccessible() {
    if (standard_) standard_->Release();
  }

  // kAccessibleSelf, a child's id, or -1 for what names neither.
  int ChildOf(const VARIANT& child) const {
    if (child.vt != VT_I4) return -1;
    const long id = child.lVal;
    if (id == CHILDID_SELF) return kAccessibleSelf;
    return id >= 1 && id <= form_->accessible_child_count() ? static_cast<int>(id) : -1;
  }

  static HRESULT Nothing(BSTR* text) {
    if (!text) return E_POINTER;
    *text = nullptr;
    return S_FALSE;
  }

  template <class Get>
  HRESULT Text(const VARIANT& child, BSTR* out, Get get) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!form_) return RPC_E_DISCONNECTED;
    const int id = ChildOf(child);
    if (id < 0) return E_INVALIDARG;
    try {
      return Utf16(get(id), out, oleacc_);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }

  Form* form_;
  const Scale& scale_;
  HWND window_;
  IAccessible* standard_;
  const Oleacc& oleacc_;
};

// The system's object for a native child, with the model's name for it.
class ChildAccessible final : public AccessibleObject {
 public:
  ChildAccessible(const Form& form, const Control& control, IAccessible* standard,
                  const Oleacc& oleacc)
      : form_(&form), control_(&control), standard_(standard), oleacc_(oleacc) {}

  void disconnect() {
    form_ = nullptr;
    oleacc_.co_disconnect_object(static_cast<IAccessible*>(this), 0);
  }


  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override {
    if (!name) return E_POINTER;
    *name = nullptr;
    if (!form_) return RPC_E_DISCONNECTED;
    if (child.vt != VT_I4 || child.lVal != CHILDID_SELF) return standard_->get_accName(child, name);
    try {
      return Utf16(form_->accessible_name(form_->accessible_id(*control_)), name, oleacc_);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  // Everything else is what the system says of the child.
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override {
    return form_ ? standard_->get_accParent(parent) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override {
    return form_ ? standard_->get_accChildCount(count) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override {
    return form_ ? standard_->get_accChild(child, out) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override {
    return form_ ? standard_->get_accValue(child, value) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override {
    return form_ ? standard_->get_accDescription(child, description) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override {
    return form_ ? standard_->get_accRole(child, role) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override {
    return form_ ? standard_->get_accState(child, state) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override {
    return form_ ? standard_->get_accHelp(child, help) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override {
    return form_ ? standard_->get_accHelpTopic(file, child, topic) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override {
    return form_ ? standard_->get_accKeyboardShortcut(child, shortcut) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* focus) override {
    return form_ ? standard_->get_accFocus(focus) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* selection) override {
    return form_ ? standard_->get_accSelection(selection) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override {
    return form_ ? standard_->get_accDefaultAction(child, action) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    return form_ ? standard_->accSelect(flags, child) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height,
                                        VARIANT child) override {
    return form_ ? standard_->accLocation(left, top, width, height, child) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override {
    return form_ ? standard_->accNavigate(direction, start, end) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* found) override {
    return form_ ? standard_->accHitTest(x, y, found) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    return form_ ? standard_->accDoDefaultAction(child) : RPC_E_DISCONNECTED;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override {
    return form_ ? standard_->put_accValue(child, value) : RPC_E_DISCONNECTED;
  }

 private:
  ~ChildAccessible() { standard_->Release(); }

  const Form* form_;
  const Control* control_;
  IAccessible* standard_;
  const Oleacc& oleacc_;
};

AccessibleWindow::AccessibleWindow(Form& form, const Scale& scale) : form_(form), scale_(scale) {}

AccessibleWindow::~AccessibleWindow() { disconnect(); }

std::optional<LRESULT> AccessibleWindow::get_object(HWND window, WPARAM w, LPARAM l) {
  if (static_cast<LONG>(l) != OBJID_CLIENT) return std::nullopt;
  const Oleacc* oleacc = LoadedOleacc();
  if (!oleacc) return std::nullopt;
  if (!object_) {
    IAccessible* standard = nullptr;
    if (FAILED(oleacc->create_std_accessible_object(window, OBJID_CLIENT, kIidAccessible,
                                                    reinterpret_cast<void**>(&standard)))) {
      standard = nullptr;
    }
    object_ = new (std::nothrow) FormAccessible(form_, scale_, window, standard, *oleacc);
    if (!object_) {
      if (standard) standard->Release();
      return std::nullopt;
    }
  }
  return oleacc->lresult_from_object(kIidAccessible, w, static_cast<IAccessible*>(object_));
}

// A hidden window has nobody following it; the Ghost window made hidden at
// start-up sets its captions without a word to anyone.
void AccessibleWindow::event(HWND window, AccessibleEvent event, int child) const {
  if (!window || !::IsWindowVisible(window)) return;
  ::NotifyWinEvent(WinEventOf(event), window, OBJID_CLIENT, child);
}

// The child answers for itself until its window goes, which puts the
// window procedure back; its object is made at the first request.
void AccessibleWindow::name_native_child(HWND child, const Control& control) {
  for (const auto& named : named_) {
    if (named->control == &control) return;
  }
  auto named = std::make_unique<NamedChild>(NamedChild{this, &control, nullptr, nullptr});
  ::SetWindowLongPtrA(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(named.get()));
  named->original = reinterpret_cast<WNDPROC>(
      ::SetWindowLongPtrA(child, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NamedChildProc)));
  named_.push_back(std::move(named));
}

LRESULT CALLBACK AccessibleWindow::NamedChildProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* named = reinterpret_cast<NamedChild*>(::GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!named || !named->original) return ::DefWindowProcA(window, message, w, l);
  const WNDPROC original = named->original;
  if (message == WM_GETOBJECT && static_cast<LONG>(l) == OBJID_CLIENT) {
    if (std::optional<LRESULT> answer = named->owner->child_object(*named, window, w)) {
      return *answer;
    }
  } else if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    ::SetWindowLongPtrA(window, GWLP_USERDATA, 0);
  }
  return ::CallWindowProcA(original, window, message, w, l);
}

std::optional<LRESULT> AccessibleWindow::child_object(NamedChild& named, HWND window, WPARAM w) {
  const Oleacc* oleacc = LoadedOleacc();
  if (!oleacc) return std::nullopt;
  if (!named.object) {
    IAccessible* standard = nullptr;
    if (FAILED(oleacc->create_std_accessible_object(window, OBJID_CLIENT, kIidAccessible,
                                                    reinterpret_cast<void**>(&standard))) ||
        !standard) {
      return std::nullopt;
    }
    named.object = new (std::nothrow) ChildAccessible(form_, *named.control, standard, *oleacc);
    if (!named.object) {
      standard->Release();
      return std::nullopt;
    }
  }
  return oleacc->lresult_from_object(kIidAccessible, w, static_cast<IAccessible*>(named.object));
}

void AccessibleWindow::disconnect() {
  for (const auto& named : named_) {
    if (ChildAccessible* object = std::exchange(named->object, nullptr)) {
      object->disconnect();
      object->Release();
    }
  }
  if (!object_) return;
  FormAccessible* object = std::exchange(object_, nullptr);
  object->disconnect();
  object->Release();
}

}  // namespace ktr::ui::win32
