// The power actions' checks, their order and their messages, on the memory platform (no
// request ever reaches the real system).
#include <gtest/gtest.h>

#include "base/Error.h"
#include "services/power/ExitWin.h"
#include "support/MemoryFixture.h"

namespace vog::test {
namespace {

class ExitWinTest : public MemoryTest {
protected:
  void SetUp() override {
    MemoryTest::SetUp();
    TExitWin::ResetVersion();
  }
  void TearDown() override {
    TExitWin::ResetVersion();
    MemoryTest::TearDown();
  }
  TMemoryPower& Power() { return *Mem().MemPower; }
  // The message the action raised ("" when it succeeded).
  static std::wstring Run(bool (TExitWin::*action)()) {
    TExitWin exitWin;
    try {
      EXPECT_TRUE((exitWin.*action)());
      return L"";
    } catch (const EExitError& error) {
      return error.Message();
    }
  }
};

TEST_F(ExitWinTest, ActionsOnTheNtLineTakeThePrivilegeFirst) {
  EXPECT_EQ(Run(&TExitWin::PowerOff), L"");
  EXPECT_EQ(Run(&TExitWin::Reboot), L"");
  EXPECT_EQ(Run(&TExitWin::Standby), L"");
  EXPECT_EQ(Run(&TExitWin::Hibernate), L"");
  EXPECT_EQ(Power().Requests(),
            (std::vector<std::string>{"Privilege", "PowerOff", "Privilege", "Reboot", "SuspendAllowed", "Privilege",
                                      "Suspend", "HibernateAllowed", "Privilege", "Hibernate"}));
}

TEST_F(ExitWinTest, EachFailureHasItsMessage) {
  struct Case {
    void (*Setup)(TMemoryPower&);
    bool (TExitWin::*Action)();
    const wchar_t* Message;
  };
  const Case cases[] = {
      {[](TMemoryPower& p) { p.PrivilegeResult = 1300; }, &TExitWin::PowerOff, kPrivilegeFailed},
      {[](TMemoryPower& p) { p.PrivilegeResult = 1300; }, &TExitWin::Standby, kPrivilegeFailed},
      {[](TMemoryPower& p) { p.ExitResult = 5; }, &TExitWin::PowerOff, kPowerOffFailed},
      {[](TMemoryPower& p) { p.ExitResult = 5; }, &TExitWin::Reboot, kRebootFailed},
      {[](TMemoryPower& p) { p.SuspendIsAllowed = false; }, &TExitWin::Standby, kSuspendNotAllowed},
      {[](TMemoryPower& p) { p.PowerProfileAvailable = false; }, &TExitWin::Standby, kSuspendNotAllowed},
      {[](TMemoryPower& p) { p.PowerStateResult = 31; }, &TExitWin::Standby, kSuspendFailed},
      {[](TMemoryPower& p) { p.HibernateIsAllowed = false; }, &TExitWin::Hibernate, kHibernateNotAllowed},
      {[](TMemoryPower& p) { p.PowerStateResult = 31; }, &TExitWin::Hibernate, kHibernateFailed},
      // NT 4: the power profile is not consulted.
      {[](TMemoryPower& p) {
         p.Version = {true, 4, 0};
       },
       &TExitWin::Standby, kSuspendNotAllowed},
      {[](TMemoryPower& p) {
         p.Version = {true, 4, 0};
       },
       &TExitWin::Hibernate, kHibernateNotAllowed},
  };
  for (const Case& c : cases) {
    auto platform = CreateMemoryPlatform();
    c.Setup(*platform->MemPower);
    ScopedPlatform scoped(std::move(platform));
    TExitWin::ResetVersion();
    EXPECT_EQ(Run(c.Action), c.Message) << WideToUtf8(c.Message);
  }
}

TEST_F(ExitWinTest, NineXLineNeedsNoPrivilegeAndItsFirstReleaseSuspendsWithoutAsking) {
  Power().Version = {false, 4, 0};
  Power().PowerProfileAvailable = false;
  EXPECT_EQ(Run(&TExitWin::Standby), L"");
  EXPECT_EQ(Run(&TExitWin::PowerOff), L"");
  EXPECT_EQ(Run(&TExitWin::Hibernate), kHibernateNotAllowed);
  EXPECT_EQ(Power().Requests(), (std::vector<std::string>{"Suspend", "PowerOff"}));
}

TEST_F(ExitWinTest, VersionIsReadOnceForEveryInstance) {
  TExitWin first;
  Power().Version = {true, 4, 0};
  EXPECT_EQ(Run(&TExitWin::Hibernate), L"");  // still the version read first
  EXPECT_EQ(TExitWin::Version().Major, 10);
}

}  // namespace
}  // namespace vog::test
