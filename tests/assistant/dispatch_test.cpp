// CImpIDispatch called exactly as a script engine calls it: GetIDsOfNames with one name, then
// Invoke with the page's arguments in reverse order, property-get for a property test and
// method-call (with or without property-get) for a call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fakes.h"
#include "shell/dispatch.h"
#include "shell/text.h"

using namespace assistant_test;
using quorvane::CImpIDispatch;
using Strings = std::vector<std::string>;

namespace {

// A page argument list as JScript builds it: strings become BSTR variants, numbers VT_I4.
struct Args {
  std::vector<VARIANT> v;  // in page order
  ~Args() {
    for (VARIANT& x : v) VariantClear(&x);
  }
  Args& S(const wchar_t* text) {
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_BSTR;
    V_BSTR(&x) = SysAllocString(text);
    v.push_back(x);
    return *this;
  }
  Args& I(LONG n) {
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_I4;
    V_I4(&x) = n;
    v.push_back(x);
    return *this;
  }
  Args& D(double n) {
    VARIANT x;
    VariantInit(&x);
    V_VT(&x) = VT_R8;
    V_R8(&x) = n;
    v.push_back(x);
    return *this;
  }
  // Reverse order, as Invoke receives them.
  std::vector<VARIANT> Reversed() const { return std::vector<VARIANT>(v.rbegin(), v.rend()); }
};

struct Dispatch : ::testing::Test {
  RecordingOperations ops;
  RecordingPage page;
  FakeWindow window;
  FakeShell shell;
  quorvane::HostApi api{ops, page, window, shell};
  CImpIDispatch external{&api};

  DISPID Id(const wchar_t* name) {
    LPOLESTR names[1] = {const_cast<LPOLESTR>(name)};
    DISPID id = 12345;
    external.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
  }
  // Calls a name with arguments; the result variant is returned (VT_EMPTY when untouched).
  VARIANT Call(const wchar_t* name, const Args& args = Args(), WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET) {
    std::vector<VARIANT> reversed = args.Reversed();
    DISPPARAMS params = {reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception = {};
    UINT argError = 0;
    EXPECT_EQ(external.Invoke(Id(name), IID_NULL, LOCALE_USER_DEFAULT, flags, &params, &result, &exception, &argError),
              S_OK);
    return result;
  }
  static bool IsTrue(const VARIANT& v) { return V_VT(&v) == VT_BOOL && V_BOOL(&v) == 1; }
  static bool IsFalse(const VARIANT& v) { return V_VT(&v) == VT_BOOL && V_BOOL(&v) == 0; }
  static std::wstring Text(VARIANT v) {
    std::wstring out = V_VT(&v) == VT_BSTR && V_BSTR(&v) ? std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) : L"<none>";
    VariantClear(&v);
    return out;
  }
};

TEST_F(Dispatch, NameTableHasTheFixedIds) {
  const wchar_t* names[] = {L"CB_IsOurCustomBrowser", L"CB_Close", L"CB_CustomFunction", L"CB_CustomFunctionWithParams",
                            L"CB_OpenWindow", L"CB_ShowModalDialog", L"CB_ShowModelessDialog", L"CB_CallJSFuction",
                            L"CB_ClientWindowInfo", L"CB_DetectUkey", L"CB_DetectControl", L"CB_DetectIE",
                            L"CB_DetectAll", L"CB_RepairUkey", L"CB_SetIELevel", L"CB_InstallDriver",
                            L"CB_ChangePassword", L"CB_ShowSelfCert", L"CB_RepairControl", L"CB_RepairAll",
                            L"CB_GetIEChanges", L"CB_ClearSslStatus", L"CB_RecoverIESettings", L"CB_GetUkeyInfo",
                            L"CB_GetSystemInfo", L"CB_GetNetState", L"CB_GetOSInfo", L"CB_GetIEInfo", L"CB_GetVersion",
                            L"CB_GetCertSubject", L"CB_ClearCache", L"CB_UpdateCert", L"CB_GetErrorDesc",
                            L"CB_DetectNeedUpdateCert", L"CB_ShowCert", L"CB_RepairThread"};
  ASSERT_EQ(CImpIDispatch::TableSize(), 36);
  for (int i = 0; i < 36; ++i) EXPECT_EQ(Id(names[i]), i + 1) << i;
}

TEST_F(Dispatch, NamesInOtherLetterCaseAreUnknown) {
  LPOLESTR names[3] = {const_cast<LPOLESTR>(L"cb_detectall"), const_cast<LPOLESTR>(L"CB_DetectAll"),
                       const_cast<LPOLESTR>(L"CB_DETECTALL")};
  DISPID ids[3] = {0, 0, 0};
  EXPECT_EQ(external.GetIDsOfNames(IID_NULL, names, 3, LOCALE_USER_DEFAULT, ids), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(ids[0], -1);
  EXPECT_EQ(ids[1], 13);  // every name is processed
  EXPECT_EQ(ids[2], -1);
  EXPECT_EQ(external.GetIDsOfNames(IID_NULL, names + 1, 1, LOCALE_USER_DEFAULT, ids), S_OK);
}

TEST_F(Dispatch, ReadingAnyNameAsAPropertyIsTrueAndRunsNothing) {
  VARIANT v = Call(L"CB_DetectAll", Args(), DISPATCH_PROPERTYGET);
  EXPECT_TRUE(IsTrue(v));
  EXPECT_TRUE(ops.calls.empty());
  EXPECT_TRUE(page.calls.empty());
  EXPECT_TRUE(IsTrue(Call(L"CB_GetNetState", Args(), DISPATCH_PROPERTYGET)));
}

TEST_F(Dispatch, MethodCallAloneAnswersTrueOnlyForFourIds) {
  EXPECT_TRUE(IsTrue(Call(L"CB_IsOurCustomBrowser", Args(), DISPATCH_METHOD)));
  EXPECT_TRUE(IsTrue(Call(L"CB_ClearSslStatus", Args(), DISPATCH_METHOD)));
  EXPECT_TRUE(IsTrue(Call(L"CB_ClearCache", Args(), DISPATCH_METHOD)));
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairThread", Args(), DISPATCH_METHOD)));
  VARIANT custom = Call(L"CB_CustomFunction", Args(), DISPATCH_METHOD);
  EXPECT_EQ(V_VT(&custom), VT_EMPTY);
  VARIANT close = Call(L"CB_Close", Args(), DISPATCH_METHOD);
  EXPECT_EQ(V_VT(&close), VT_EMPTY);
  // With property-get as well (the usual call of a script engine) they all answer true.
  EXPECT_TRUE(IsTrue(Call(L"CB_CustomFunction")));
  EXPECT_TRUE(IsTrue(Call(L"CB_DetectUkey")));
}

TEST_F(Dispatch, MethodCallRunsTheOperation) {
  EXPECT_TRUE(IsTrue(Call(L"CB_DetectAll")));
  EXPECT_EQ(page.Results("frame_main").back(), "REPAIR1/0");
  EXPECT_TRUE(IsTrue(Call(L"CB_DetectControl")));
  EXPECT_EQ(page.Results("frame_main2").front(), "TITLE_CT");
  EXPECT_TRUE(IsTrue(Call(L"CB_GetIEChanges")));
  EXPECT_EQ(page.calls.back().function, "noneIELeaveLog");
}

TEST_F(Dispatch, ResultKinds) {
  EXPECT_EQ(Text(Call(L"CB_ClientWindowInfo")), L"[\"731\",\"456\"]");
  EXPECT_EQ(Text(Call(L"CB_GetNetState")), L"网络连接不正常");
  EXPECT_EQ(Text(Call(L"CB_GetErrorDesc")), L"");
  EXPECT_EQ(Text(Call(L"CB_GetUkeyInfo")), L"[\"ukey\"]");
  EXPECT_EQ(Text(Call(L"CB_GetCertSubject")), L"subject");
  VARIANT update = Call(L"CB_UpdateCert", Args().S(L"a").S(L"b"));
  EXPECT_EQ(V_VT(&update), VT_I4);
  EXPECT_EQ(V_I4(&update), 0);
  VARIANT show = Call(L"CB_ShowCert");
  EXPECT_EQ(V_VT(&show), VT_I4);
  EXPECT_EQ(V_I4(&show), 0);
  EXPECT_EQ(ops.calls.back(), "ShowCert");
  EXPECT_TRUE(IsFalse(Call(L"CB_DetectNeedUpdateCert", Args().S(L"x"))));
  ops.installDriver = true;
  EXPECT_TRUE(IsTrue(Call(L"CB_InstallDriver")));
  ops.installDriver = false;
  EXPECT_TRUE(IsFalse(Call(L"CB_InstallDriver")));
}

TEST_F(Dispatch, TheLastArgumentIsTheOneUsed) {
  ops.repairControl = false;
  EXPECT_TRUE(IsFalse(Call(L"CB_RepairControl", Args().S(L"PowerEnter.ocx"))));
  EXPECT_EQ(ops.calls.back(), "RepairControl:PowerEnter.ocx");
  ops.repairControl = true;
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairControl", Args().S(L"ignored").S(L"COM1"))));
  EXPECT_EQ(ops.calls.back(), "RepairControl:COM1");
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairUkey", Args().S(L"UKEY_KV1081"))));
  EXPECT_EQ(ops.calls.back(), "InstallMiddleCerts");
  EXPECT_EQ(Text(Call(L"CB_GetVersion", Args().S(L"ENCKEY"))), L"");
  EXPECT_EQ(ops.calls.back(), "RegisteredFile:3A2C8BC3-5B68-4AE5-81D6-6DC378708F3E");
  EXPECT_TRUE(IsTrue(Call(L"CB_RecoverIESettings", Args().S(L"2026-1-5 9:03:07"))));
  EXPECT_EQ(ops.calls.back(), "RestoreSnapshot:2026-1-5 9:03:07");
}

TEST_F(Dispatch, ArgumentsAreConvertedToTheAnsiCodePage) {
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairControl", Args().S(L"控件"))));
  EXPECT_EQ(quorvane::FromAnsi(ops.calls.back()), L"RepairControl:控件");
}

TEST_F(Dispatch, MissingOrWrongArgumentsReadAsEmpty) {
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairControl")));
  EXPECT_EQ(ops.calls.back(), "RepairControl:");
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairControl", Args().I(7))));
  EXPECT_EQ(ops.calls.back(), "RepairControl:");
  ops.calls.clear();
  EXPECT_TRUE(IsTrue(Call(L"CB_RepairUkey", Args().I(1081))));  // not the code: true, nothing done
  EXPECT_TRUE(ops.calls.empty());
  EXPECT_EQ(Text(Call(L"CB_GetVersion")), L"");
  // Functions that take two or more arguments read nothing when fewer are given.
  VARIANT update = Call(L"CB_UpdateCert", Args().S(L"only one"));
  EXPECT_EQ(V_I4(&update), 0);
  EXPECT_TRUE(IsTrue(Call(L"CB_OpenWindow", Args().S(L"a"))));
  EXPECT_TRUE(IsTrue(Call(L"CB_ShowModalDialog", Args().I(1).I(2).I(3).I(4).I(5))));
  // A null parameter block is no argument at all.
  VARIANT result;
  VariantInit(&result);
  EXPECT_EQ(external.Invoke(19, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr),
            S_OK);
  EXPECT_TRUE(IsTrue(result));
  EXPECT_EQ(ops.calls.back(), "RepairControl:");
}

TEST_F(Dispatch, ArgumentHelpers) {
  Args two;
  two.S(L"first").S(L"second");
  std::vector<VARIANT> reversed = two.Reversed();
  DISPPARAMS params = {reversed.data(), nullptr, 2, 0};
  EXPECT_EQ(quorvane::args::PageString(&params, 0, 2), "first");
  EXPECT_EQ(quorvane::args::PageString(&params, 1, 2), "second");
  EXPECT_EQ(quorvane::args::PageString(&params, 0, 3), "");  // fewer than listed
  EXPECT_EQ(quorvane::args::PageString(&params, 2, 2), "");  // past the arguments given
  EXPECT_EQ(quorvane::args::LastString(&params), "second");
  // A string passed by reference inside a variant is still a string.
  VARIANT inner;
  VariantInit(&inner);
  V_VT(&inner) = VT_BSTR;
  V_BSTR(&inner) = SysAllocString(L"byref");
  VARIANT outer;
  VariantInit(&outer);
  V_VT(&outer) = VT_BYREF | VT_VARIANT;
  V_VARIANTREF(&outer) = &inner;
  DISPPARAMS one = {&outer, nullptr, 1, 0};
  EXPECT_EQ(quorvane::args::LastString(&one), "byref");
  VariantClear(&inner);
}

TEST_F(Dispatch, SetIELevelReadsANumber) {
  EXPECT_TRUE(IsTrue(Call(L"CB_SetIELevel", Args().I(1))));
  EXPECT_TRUE(ops.calls.empty());
  EXPECT_TRUE(IsTrue(Call(L"CB_SetIELevel", Args().S(L"0"))));  // not a number: nothing changes
  EXPECT_TRUE(IsTrue(Call(L"CB_SetIELevel")));
  EXPECT_TRUE(ops.calls.empty());
  EXPECT_TRUE(IsTrue(Call(L"CB_SetIELevel", Args().I(0))));
  EXPECT_EQ(ops.calls, (Strings{"SetDefaultLevel", "GetLevelDeviation"}));
  ops.calls.clear();
  ops.deviationAfterSet = -1;
  EXPECT_TRUE(IsFalse(Call(L"CB_SetIELevel", Args().D(0.0))));
  EXPECT_EQ(ops.calls.size(), 2u);
}

TEST_F(Dispatch, UnknownIdsDoNothingAndSucceed) {
  VARIANT result;
  VariantInit(&result);
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  EXPECT_EQ(external.Invoke(99, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(V_VT(&result), VT_EMPTY);
  EXPECT_EQ(external.Invoke(-1, IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr),
            S_OK);
  EXPECT_TRUE(IsTrue(result));
  EXPECT_EQ(external.Invoke(13, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), S_OK);  // no result
  EXPECT_TRUE(ops.calls.size() > 0);
}

TEST_F(Dispatch, InterfaceAndReferenceCount) {
  IDispatch* dispatch = nullptr;
  EXPECT_EQ(external.QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  EXPECT_EQ(dispatch, static_cast<IDispatch*>(&external));
  EXPECT_EQ(external.References(), 1);
  IUnknown* unknown = reinterpret_cast<IUnknown*>(1);
  EXPECT_EQ(external.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), E_NOINTERFACE);
  EXPECT_EQ(unknown, nullptr);
  EXPECT_EQ(dispatch->Release(), 0u);
  EXPECT_EQ(dispatch->Release(), static_cast<ULONG>(-1));  // only counted, never deleted
  EXPECT_EQ(external.AddRef(), 0u);
  UINT count = 7;
  EXPECT_EQ(external.GetTypeInfoCount(&count), E_NOTIMPL);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(external.GetTypeInfo(0, 0, &info), E_NOTIMPL);
}

}  // namespace
