// The host functions' flows (detect-all, repair-all, the detection runs) against fake operations:
// which operations run in which order, and which results reach which frame.
#include <gtest/gtest.h>

#include <algorithm>

#include "env/missing_operations.h"
#include "fakes.h"
#include "res/bank_config.h"
#include "shell/text.h"

using namespace assistant_test;
using quorvane::HostApi;
using Strings = std::vector<std::string>;

namespace {

struct Flows : ::testing::Test {
  RecordingOperations ops;
  RecordingPage page;
  FakeWindow window;
  FakeShell shell;
  HostApi api{ops, page, window, shell};
  static const std::string kCom0, kCom1, kCom2;
};
const std::string Flows::kCom0 = "27984DB8-C851-439E-B625-81740482BE7C";
const std::string Flows::kCom1 = "00A5A260-956A-49E4-82FF-58CE009742C5";
const std::string Flows::kCom2 = "5270538E-3307-4F53-84D0-0F091DCE6C14";

TEST_F(Flows, DetectAllCallsTheChecksInOrderAndReportsEverythingFine) {
  ops.tokens = 1;
  ops.providerInstalled = true;
  ops.driversOk = true;
  api.DetectAll();
  EXPECT_EQ(ops.calls, (Strings{"CountTokens", "CountAdditionalKeys", "IsProviderInstalled", "CheckAdditionalDrivers",
                                "IsRootCertMissing", "IsMiddleCertMissing", "ClearSslState", "EnsureTrustedSites",
                                "GetLevelDeviation", "ApplyTrustedZoneSettings", "ApplyProtocolSettings",
                                "PasswordControlPresent:all", "BrowserControlPresent:0:" + kCom0 + ":all",
                                "BrowserControlPresent:1:" + kCom1 + ":all",
                                "BrowserControlPresent:2:" + kCom2 + ":all", "SigningControlPresent:all"}));
  EXPECT_EQ(page.Results("frame_main"),
            (Strings{"TITLE_KV", "UKEY_KV1010", "UKEY_KV1020", "UKEY_KV1080", "TITLE_RG", "REG0", "TITLE_IE", "SSL0",
                     "SITE0", "IELEVEL2", "TITLE_CT", "ENCKEY0", "COM00", "COM10", "COM20", "SIGN0", "REPAIR0/0"}));
  EXPECT_EQ(page.calls.size(), 17u);  // nothing else, in no other frame
}

TEST_F(Flows, DetectAllCountsEveryProblem) {
  ops.rootMissing = 161;  // root missing: the intermediate ones are not asked
  ops.trustedSites = false;
  ops.deviation = 1;
  ops.password = false;
  ops.browser = {true, false, true};
  ops.signing = false;
  api.DetectAll();
  EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "IsMiddleCertMissing"), 0);
  EXPECT_EQ(page.Results("frame_main"),
            (Strings{"TITLE_KV", "UKEY_KV1011", "UKEY_KV1022", "UKEY_KV1081", "TITLE_RG", "REG0", "TITLE_IE", "SSL0",
                     "SITE10", "IELEVEL1", "TITLE_CT", "ENCKEY2", "COM00", "COM12", "COM20", "SIGN2", "REPAIR1/0"}));
}

TEST_F(Flows, DetectAllNeedsRepairWhenOnlyTheSoftwareIsIncomplete) {
  ops.tokens = 0;
  ops.extraKeys = 2;  // tokens of additional drivers count as present
  ops.providerInstalled = true;
  ops.driversOk = false;
  ops.middleMissing = 18;
  ops.deviation = -1;
  api.DetectAll();
  Strings results = page.Results("frame_main");
  EXPECT_EQ(results[1], "UKEY_KV1010");
  EXPECT_EQ(results[2], "UKEY_KV1022");
  EXPECT_EQ(results[3], "UKEY_KV1081");
  EXPECT_EQ(results[9], "IELEVEL0");
  EXPECT_EQ(results.back(), "REPAIR1/0");
}

TEST_F(Flows, RepairAllRunsEveryStepInOrderAndThenDetectAll) {
  ops.password = false;
  ops.signing = true;
  ops.browser = {false, true, false};
  ops.installRoot = 161;  // failures stop nothing
  ops.providerInstalled = false;
  api.RepairAll(true);
  Strings expected = {"ClearSslState", "EnsureTrustedSites", "SetDefaultLevel", "IsPasswordControlInstalled",
                      "InstallPasswordControl", "IsSigningControlInstalled", "IsBrowserControlInstalled:0:" + kCom0,
                      "InstallBrowserControl:0", "IsBrowserControlInstalled:1:" + kCom1,
                      "IsBrowserControlInstalled:2:" + kCom2, "InstallBrowserControl:2", "InstallRootCerts",
                      "InstallMiddleCerts", "IsProviderInstalled", "InstallProvider", "RunAdditionalInstallers",
                      "CountTokens"};
  ASSERT_GE(ops.calls.size(), expected.size());
  EXPECT_EQ(Strings(ops.calls.begin(), ops.calls.begin() + static_cast<long>(expected.size())), expected);
  EXPECT_EQ(page.Results("frame_main").back(), "REPAIR1/0");
}

TEST_F(Flows, RepairAllWithoutDetectionReportsNothing) {
  ops.providerInstalled = true;
  api.RepairAll(false);
  EXPECT_EQ(ops.calls.back(), "RunAdditionalInstallers");
  EXPECT_EQ(std::count(ops.calls.begin(), ops.calls.end(), "InstallProvider"), 0);
  EXPECT_TRUE(page.calls.empty());
}

TEST_F(Flows, TokenDetectionRun) {
  api.DetectUkey();
  EXPECT_EQ(ops.calls, (Strings{"CountTokens", "IsProviderInstalled", "CheckAdditionalDrivers", "CountAdditionalKeys"}));
  EXPECT_EQ(page.Results("frame_main1"), (Strings{"TITLE_KV", "UKEY_KV1022", "UKEY_KV1011", "REPAIR1/0"}));
  page.calls.clear();
  ops.tokens = 1;
  ops.providerInstalled = ops.driversOk = true;
  api.DetectUkey();
  EXPECT_EQ(page.Results("frame_main1"), (Strings{"TITLE_KV", "UKEY_KV1020", "UKEY_KV1010", "UKEY_INFO", "REPAIR0/0"}));
}

TEST_F(Flows, ControlDetectionRunDoesNotCountBrowserControls) {
  ops.browser = {false, true, false};
  api.DetectControl();
  EXPECT_EQ(page.Results("frame_main2"), (Strings{"TITLE_CT", "ENCKEY0", "COM02", "COM10", "COM22", "SIGN0", "REPAIR0/0"}));
  EXPECT_EQ(ops.calls.front(), "PasswordControlPresent:run");
  page.calls.clear();
  ops.signing = false;
  api.DetectControl();
  EXPECT_EQ(page.Results("frame_main2").back(), "REPAIR1/0");
}

TEST_F(Flows, BrowserSettingsDetectionRun) {
  ops.deviation = -1;
  api.DetectIE();
  EXPECT_EQ(page.Results("frame_main3"),
            (Strings{"TITLE_RG", "REG0", "SYSTEM_INFO", "TITLE_IE", "SITE0", "IELEVEL0", "REPAIR1/0"}));
  EXPECT_EQ(ops.calls, (Strings{"EnsureTrustedSites", "GetLevelDeviation", "ApplyTrustedZoneSettings",
                                "ApplyProtocolSettings"}));
}

TEST_F(Flows, MissingOperationsReportEveryFindingNegative) {
  quorvane::MissingOperations missing;
  HostApi real(missing, page, window, shell);
  real.DetectAll();
  EXPECT_EQ(page.Results("frame_main"),
            (Strings{"TITLE_KV", "UKEY_KV1011", "UKEY_KV1022", "UKEY_KV1081", "TITLE_RG", "REG0", "TITLE_IE", "SSL0",
                     "SITE10", "IELEVEL0", "TITLE_CT", "ENCKEY2", "COM02", "COM12", "COM22", "SIGN2", "REPAIR1/0"}));
  EXPECT_FALSE(real.RepairUkey("UKEY_KV1081"));
  EXPECT_FALSE(real.InstallDriver());
  EXPECT_FALSE(real.RepairControl("COM0"));
  EXPECT_FALSE(real.SetIELevel(true));
  EXPECT_EQ(real.GetVersion("DRIVE"), "");
  EXPECT_EQ(real.GetCertSubject(), "");
  EXPECT_EQ(quorvane::FromAnsi(real.GetUkeyInfo()), L"[\"口令重试剩余次数:0\", \"证书不存在！\"]");
}

TEST_F(Flows, RepairUkeyOnlyActsOnTheCertificateCode) {
  EXPECT_TRUE(api.RepairUkey("UKEY_KV1022"));
  EXPECT_TRUE(ops.calls.empty());
  EXPECT_TRUE(api.RepairUkey("UKEY_KV1081"));
  EXPECT_EQ(ops.calls, (Strings{"InstallRootCerts", "InstallMiddleCerts"}));
  ops.calls.clear();
  ops.installRoot = 18;
  EXPECT_FALSE(api.RepairUkey("UKEY_KV1081"));
  EXPECT_EQ(ops.calls, (Strings{"InstallRootCerts"}));
  ops.installRoot = 0;
  ops.installMiddle = 12;
  EXPECT_FALSE(api.RepairUkey("UKEY_KV1081"));
}

TEST_F(Flows, SetIELevel) {
  EXPECT_TRUE(api.SetIELevel(false));
  EXPECT_TRUE(ops.calls.empty());
  ops.deviation = -1;
  ops.deviationAfterSet = 0;
  EXPECT_TRUE(api.SetIELevel(true));
  EXPECT_EQ(ops.calls, (Strings{"SetDefaultLevel", "GetLevelDeviation"}));
  ops.deviationAfterSet = 1;
  EXPECT_FALSE(api.SetIELevel(true));
  ops.setDefaultLevel = false;
  EXPECT_FALSE(api.SetIELevel(true));
}

TEST_F(Flows, SnapshotListGoesToFrameFour) {
  api.GetIEChanges();
  ASSERT_EQ(page.calls.size(), 1u);
  EXPECT_EQ(page.calls[0].frame, "frame_main4");
  EXPECT_EQ(page.calls[0].function, "noneIELeaveLog");
  EXPECT_TRUE(page.calls[0].args.empty());
  page.calls.clear();
  ops.snapshots = {{"2026-1-5 9:03:07", "medium"}, {"2026-1-5 10:00:00", "high"}};
  api.GetIEChanges();
  ASSERT_EQ(page.calls.size(), 2u);
  EXPECT_EQ(page.calls[0].function, "addIELeaveLog");
  EXPECT_EQ(page.calls[0].args, (Strings{"2026-1-5 9:03:07", "medium"}));
  EXPECT_EQ(page.calls[1].args, (Strings{"2026-1-5 10:00:00", "high"}));
}

TEST_F(Flows, RecoverIESettingsAsksRestoresAndTells) {
  EXPECT_TRUE(api.RecoverIESettings("2026-1-5 9:03:07"));
  ASSERT_EQ(window.asked.size(), 1u);
  EXPECT_EQ(window.asked[0], L"询问|您确定要恢复2026-1-5 9:03:07前的设置吗?");
  ASSERT_EQ(window.informed.size(), 1u);
  EXPECT_EQ(window.informed[0], L"提示|您的IE浏览器已成功恢复为2026-1-5 9:03:07前的设置!");
  EXPECT_EQ(ops.calls, (Strings{"RestoreSnapshot:2026-1-5 9:03:07"}));
  // No: nothing happens, the result stays true.
  ops.calls.clear();
  window.answerYes = false;
  EXPECT_TRUE(api.RecoverIESettings("x"));
  EXPECT_TRUE(ops.calls.empty());
  // Yes, but the restore fails.
  window.answerYes = true;
  ops.restore = false;
  EXPECT_FALSE(api.RecoverIESettings("x"));
  EXPECT_EQ(window.informed.size(), 1u);
}

TEST_F(Flows, CloseStartsTheBrowserWithTheHomePage) {
  api.Close();  // no browser registered: nothing
  EXPECT_TRUE(shell.calls.empty());
  shell.browserPath = "C:\\Program Files\\Internet Explorer\\iexplore.exe";
  api.Close();
  EXPECT_EQ(shell.calls, (Strings{std::string("start:C:\\Program Files\\Internet Explorer\\iexplore.exe ") +
                                  QUORVANE_BANK_HOME_PAGE}));
  shell.calls.clear();
  shell.startWorks = false;
  api.Close();
  EXPECT_EQ(shell.calls[1], std::string("runas:iexplore.exe|") + QUORVANE_BANK_HOME_PAGE +
                                "|C:\\Program Files\\Internet Explorer");
}

TEST_F(Flows, GetVersion) {
  EXPECT_EQ(api.GetVersion("ENCKEY"), "");
  EXPECT_EQ(ops.calls, (Strings{"RegisteredFile:3A2C8BC3-5B68-4AE5-81D6-6DC378708F3E"}));
  ops.calls.clear();
  ops.registeredFile = true;
  ops.registeredPath = "C:\\windows\\system32\\SignOcx.dll";
  ops.moduleVersion = "1.2.3.4";
  EXPECT_EQ(api.GetVersion("SIGN"), "1.2.3.4");
  EXPECT_EQ(ops.calls, (Strings{"RegisteredFile:F59CF53A-FFB6-4f45-BE10-9F235457581E",
                                "LoadedModuleVersion:C:\\windows\\system32\\SignOcx.dll"}));
  ops.calls.clear();
  EXPECT_EQ(api.GetVersion("DRIVE"), "");  // no provider installed
  EXPECT_EQ(ops.calls, (Strings{"ProviderPath"}));
  ops.calls.clear();
  ops.providerPath = "C:\\Program Files\\NQCSP21060\\NQCSP21060.DLL";
  ops.libraryVersion = "4.1.2018.3111";
  EXPECT_EQ(api.GetVersion("DRIVE"), "4.1.2018.3111");
  EXPECT_EQ(ops.calls.back(), "LibraryFileVersion:c:\\program files\\nqcsp21060\\nqcsp21060\\CheckFileVer.dll");
  EXPECT_EQ(api.GetVersion("OTHER"), "");
}

TEST_F(Flows, TextsOfTheHost) {
  EXPECT_EQ(api.ClientWindowInfo(), "[\"731\",\"456\"]");
  EXPECT_EQ(quorvane::FromAnsi(api.GetNetState()), L"网络连接不正常");
  EXPECT_EQ(api.GetErrorDesc(), "");
  ops.os = quorvane::ToAnsi(L"Windows 7 6.1 Service Pack 1(32位)");
  ops.ie = "";
  EXPECT_EQ(quorvane::FromAnsi(api.GetSystemInfo()),
            L"[\"操作系统版本：Windows 7 6.1 Service Pack 1(32位)\", \"浏览器版本：\"]");
}

TEST_F(Flows, ConfigurationStrings) {
  EXPECT_EQ(quorvane::ConfigString(192), "Korvel Cryptographic Service Provider");
  EXPECT_EQ(quorvane::ConfigString(160), "117B8650-7424-3F6B-BCB9-255D3C2FFD33");
  EXPECT_EQ(quorvane::ConfigStringW(150), L"Quorvane村镇银行网银助手");
  EXPECT_EQ(quorvane::ConfigStringW(154),
            L"网银助手完成了初始设置!\n如果IE已经打开,请重新启动IE!\n如果还有问题请用网银向导手动设置!");
  EXPECT_EQ(quorvane::ConfigString(141), QUORVANE_BANK_TRUSTED_SITES);
  EXPECT_EQ(quorvane::ConfigString(210), "");  // absent entries are empty
}

}  // namespace
