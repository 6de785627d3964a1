#pragma once
// Failures that a continue-on-error step or a window procedure swallows leave a trace here, and
// only here: the user never sees them. On Windows the trace goes to the debugger's output
// (OutputDebugStringA); on the fake platform it is counted, for tests to read. The platform's
// part is chosen when the program is built (common/trace_record.h). Every trace line also goes to
// the log the program keeps (see SetTraceLog), with the delivery outcomes the program adds there:
//   outbox.cpp:602 (thrown at win32_files.cpp:84) CreateFileW failed: ... (112)
#include <exception>
#include <string>
#include <string_view>

#include "common/callback.h"
#include "common/source_place.h"

namespace quillet {

// Records one swallowed failure, from the handler that caught it: where it was dropped (the
// caller's file and line, "outbox.cpp:123"), where it was thrown when it is a Failure (the C++
// runtime's own errors do not know their place), and what it said. Never throws.
void TraceSwallowedFailure(const SourcePlace& caughtAt, const std::exception& failure) noexcept;

// The same for a failure that is only a text (a code the system gave back, an exception of no
// known type): no place where it was thrown. Never throws.
void TraceSwallowedFailure(const SourcePlace& caughtAt, std::string_view what) noexcept;

// "outbox.cpp:123": the file's name without its folders, and the line.
std::string PlaceOf(const SourcePlace& where);

// Every trace line, and every LogEvent, also goes to `log` ("place text", no time, no line
// break; secrets already taken out); an empty function stops that. Safe from any thread.
void SetTraceLog(Callback<void(std::string_view line)> log);
// Records an event that is no failure (a line sent, retried, kept for the person) in the log
// only. A line that comes again at once is counted, not written again. Never throws.
void LogEvent(std::string_view where, std::string_view what) noexcept;

// The text with what could be a secret taken out: the value after "Authorization:", "Basic",
// "Bearer", after the names password, token, secret, session, jwt, verifier and cookie, also
// inside longer names ("password=...", "oauth_token=\"...\"", "\"accessJwt\":\"...\"",
// "code_verifier=...", "Cookie: ..."), after a form's "code=" and JSON's "code":, and a JSON Web
// Token standing alone. A quoted value is hidden up to its closing quote. Line breaks become
// spaces, so a text stays one line.
std::string WithoutSecrets(std::string_view text);

}  // namespace quillet
