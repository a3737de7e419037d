/// \file
/// The process entry's helpers: the arguments in UTF-8, the console of a windowed program, the
/// start-up values handed to the application object, SIGINT, SIGTERM and SIGHUP turned into a
/// close request for the main window, a last cleanup before such a signal ends a program that has
/// no window, and the end of the platform's own threads.
#pragma once

namespace oru {

/// main's arguments in UTF-8, as every name the library takes is: argv itself where the system
/// hands them over so, else the arguments read again from the system's wide command line (argc
/// is set to their count). The answer lives for the whole run.
///
///   argv = oru::Utf8Arguments(&argc, argv);  // first thing in main
char** Utf8Arguments(int* argc, char** argv);

/// For a windowed program started from a console: stdout and stderr that lead nowhere are opened
/// onto the console that started it, so --help and error lines reach it. A stream already sent to
/// a file, a pipe or a console is left as it is; started without a console (from the desktop) the
/// program stays silent. Nothing to do where every program keeps its terminal.
void AttachParentConsole();

/// Keeps the program's arguments. The command line is stored for the application, never parsed.
void StoreArguments(int argc, char** argv);

/// The arguments after the program name, joined by single spaces ("" when there are none).
char* CommandLine();

/// A stand-in for the module instance handle: a non-null value unique to the program.
void* ModuleInstance();

/// Blocks SIGINT, SIGTERM and SIGHUP (the terminal closed) and starts a thread that waits for
/// them; each one becomes a close request for the main window (RequestClose in event_loop.h), so
/// an interrupted game shuts down in order. Call first thing in main, before any other thread
/// exists, since threads inherit the blocked set. Returns false when the thread cannot be started
/// (the signals keep their default action then).
bool InstallCloseSignals();

/// For programs that end at SIGINT, SIGTERM and SIGHUP: cleanup runs in the signal handler, then
/// the signal ends the process as it would have without the handler (same exit status). cleanup
/// must be async-signal-safe. Returns false when a handler cannot be installed.
bool InstallCleanupSignals(void (*cleanup)());

///@{
/// For runs without a window or sound (a headless replay): from now on the shared devices stand
/// in without showing or sounding anything, and no device of the system is opened. Call before
/// anything opens a device.
void UseHeadlessDevices();
bool HeadlessDevices();
///@}

/// Ends the threads the platform keeps for the whole run: the signal thread above (the signals
/// stay blocked), the synthesizer's loading thread (after the step it is in: a SoundFont still
/// loading is waited for) and the shared audio device's thread (the device closes; sounds and
/// music go silent). Call on the primary thread right before main returns, once every window and
/// every other owner of a thread is gone, so that no thread of ours runs while the process ends.
void EndServiceThreads();

}  // namespace oru
