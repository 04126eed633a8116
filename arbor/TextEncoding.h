// TextEncoding: the byte encodings a recipe may be written in, and how their characters are told.
#pragma once

#include <cstddef>
#include <string_view>

// UTF-8 on Linux; the Windows build's host hands over GBK text.
enum class RecipeEncoding { Utf8, Gbk };

#ifdef _WIN32
inline constexpr RecipeEncoding kPlatformRecipeEncoding = RecipeEncoding::Gbk;
#else
inline constexpr RecipeEncoding kPlatformRecipeEncoding = RecipeEncoding::Utf8;
#endif

// The byte length of the well-formed character that starts at pos in text, or 0 when the bytes
// there are not one (a stray continuation byte, a cut-off sequence, an overlong form, ...).
size_t WellFormedCharLength(std::string_view text, size_t pos, RecipeEncoding encoding);
// The offset of the first byte of text that does not start a well-formed character, or npos.
size_t FirstMalformedByte(std::string_view text, RecipeEncoding encoding);
