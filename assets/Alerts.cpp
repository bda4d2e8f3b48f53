#include "assets/Alerts.h"

#include <cstdio>

namespace {

AlertSink alertSink = StderrAlertSink;
ErrorHookSink errorHookSink = nullptr;

void PassToErrorHook(const char* message) {
    if (errorHookSink) errorHookSink(message ? message : "");
}

}  // namespace

void SetAlertSink(AlertSink sink) {
    alertSink = sink ? sink : StderrAlertSink;
}

void SetErrorHookSink(ErrorHookSink sink) {
    errorHookSink = sink;
}

void StderrAlertSink(const char* title, const char* text) {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

void SilentAlertSink(const char*, const char*) {}

void MessageBox(void*, const char* text, const char* title, unsigned) {
    alertSink(title ? title : "", text ? text : "");
}

void ERRORBOX(const char* message) {
    PassToErrorHook(message);
}

void ERRORCLOSE(const char* message) {
    PassToErrorHook(message);
}
