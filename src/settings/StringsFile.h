// Reader of the program's translation tables (".strings" files): UTF-16 text, little-endian unless the
// file starts with the bytes FE FF, holding pairs of source text and translation. Tokens are separated
// by '=', ';', blanks and line ends; "/* */" and "//" comments are skipped; double quotes protect
// separators and comment marks and allow the escapes \" \\ \n \t \r and \uXXXX.
#pragma once

#include <string_view>
#include <utility>
#include <vector>

#include "support/Text.h"

namespace StringsFile
{

// Longest token kept; the rest of a longer token is dropped.
constexpr size_t MaxTokenLength = 10239;

// Splits the file content (including its leading byte-order mark, which is always skipped) into tokens.
std::vector<CAtlString> Tokenize(std::string_view bytes);

// Pairs the tokens in order (a trailing odd token is dropped). In every source text the entities
// "&quot;", "&lt;" and "&gt;" become '"', '<' and '>'. Pairs with an empty translation are left out.
std::vector<std::pair<CAtlString, CAtlString>> ReadPairs(std::string_view bytes);

// Replaces "&quot;", "&lt;" and "&gt;"; tells whether anything changed.
bool ReplaceEntities(CAtlString &text);

} // namespace StringsFile
