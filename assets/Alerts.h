// Alerts and error hooks.
//
// MessageBox shows a modal alert with one "OK" button. Each program decides
// what that means by setting an alert sink: the screen saver writes
// "TITLE: text" on standard error, the settings program shows a dialog,
// tests record the alerts and fuzzers drop them. The default sink writes to
// standard error.
//
// ERRORBOX and ERRORCLOSE take a message and show nothing; callers report
// failure through their own results. A program may still watch the messages
// through an error-hook sink (none by default).
#pragma once

// Receives one alert: its title and its text.
using AlertSink = void (*)(const char* title, const char* text);
// Receives one message passed to ERRORBOX or ERRORCLOSE.
using ErrorHookSink = void (*)(const char* message);

// Style bits of MessageBox; accepted and ignored.
constexpr unsigned MB_OK = 0x0;
constexpr unsigned MB_ICONERROR = 0x10;

// Sets the sink that MessageBox hands its alerts to; null restores the
// default (standard error).
void SetAlertSink(AlertSink sink);
// Sets the sink that ERRORBOX and ERRORCLOSE pass their messages to; null
// (the default) drops them.
void SetErrorHookSink(ErrorHookSink sink);

// The ready-made sinks.
void StderrAlertSink(const char* title, const char* text);  // "TITLE: text\n" on stderr
void SilentAlertSink(const char* title, const char* text);  // drops the alert

// Shows the alert through the current sink; owner and style are ignored.
// Null texts are shown as empty.
void MessageBox(void* owner, const char* text, const char* title, unsigned style = MB_OK);

void ERRORBOX(const char* message);
void ERRORCLOSE(const char* message);
