// How the store cleans the texts it is given before they reach a host file.
#pragma once

#include <string>

namespace qm {

// True for the characters a record line treats as separators.
bool IsWhiteSpace(char c);
// A page address as stored: white space removed from both ends, and every
// carriage return and line feed removed (a location is one line).
std::string NormalizePageAddress(const std::string& url);
// False for an address that would end the location section of a host file
// (one beginning with "-").
bool IsStorablePageAddress(const std::string& url);
// sName and sType are written as single words: every white-space character is
// removed, and an empty word becomes "_" so that the record line keeps all of
// its eight fields.
std::string CleanWord(const std::string& word);

}  // namespace qm
