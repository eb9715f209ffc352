#pragma once
// The message pump that long work calls between small steps.
//
// The program runs its engine on the user-interface thread; between steps (each directory
// entry, each file, each comparison of a long sort) the work lets pending window messages
// run, so that the progress window's stop and pause buttons act. The work reaches the
// user interface only through this interface: the program installs its Win32 pump at
// start-up, tests install a scripted one, and without either the calls do nothing.
//
// Long loops call ProcessMessages very often (once per record of a million-record list),
// so a pump that talks to the window system should look at the queue at most every few
// milliseconds and return at once otherwise.
namespace vog {

class IMessagePump {
public:
  virtual ~IMessagePump() = default;
  // Lets pending messages run; may re-enter the caller's user interface (a click on the
  // pause button runs a nested loop inside this call).
  virtual void ProcessMessages() = 0;
  // Blocks the thread for about `milliseconds` (the pause loop's wait between pumps).
  virtual void Wait(unsigned milliseconds) = 0;
};

// The installed pump, or a pump that does nothing (Wait sleeps) when none is installed.
IMessagePump& MessagePump();
// Installs `pump` (not owned; null restores the default) and returns the previous one
// (null for the default). Install before work starts and keep it alive while it runs.
IMessagePump* InstallMessagePump(IMessagePump* pump);

inline void ProcessMessages() { MessagePump().ProcessMessages(); }

}  // namespace vog
