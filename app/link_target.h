// What a hyperlink may open and how it is handed over: only web (http,
// https) and e-mail (mailto) addresses, each passed as one quoted argument,
// and the texts of the shell's failures.
#pragma once

#include <string>

namespace qm {

// True for an http, https or mailto address that can travel as one quoted
// argument (no quotes, blanks or control characters in it).
bool IsOpenableLink(const std::string& target);

// The command that opens target with the ".htm" association's command: the
// command is cut at its placeholder %1 (with the quotes around it, or a bare
// %1 when none is quoted), then a blank and the target in double quotes are
// appended. Empty when the command is empty.
std::string HtmOpenCommand(const std::string& associationCommand, const std::string& target);

// The message shown when a link cannot be opened: "Can't open link:" and the
// text for the shell's result code.
std::string CantOpenLinkMessage(int code);
// The refusal of a target that is not a web or e-mail address.
std::string RefusedLinkMessage();

}  // namespace qm
