/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

#include <unicode/uchar.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace Core::Strings::FuzzyCompare
{
// Relaxations of the comparison, combined as bit flags.
enum Relaxation : unsigned {
    Exact = 0,
    IgnoreCase = 1, // both code units are lower-cased with ICU first
    YoAsYe = 2, // "ё" counts as "е" (and "Ё" as "Е")
};

// Character traits for string views of UTF-16 code units that compare under
// the relaxations given by `Flags`: with IgnoreCase | YoAsYe (3), "Ёж", "ЕЖ"
// and "еж" are all equal. Ordering compares the same normalised values, so
// find(), compare() and the ordering operators of the view agree.
template<typename CharT, unsigned Flags>
struct fuzzy_comparable_char_traits : std::char_traits<CharT> {
    using char_type = CharT;
    using int_type = typename std::char_traits<CharT>::int_type;

    static constexpr char16_t CyrillicSmallYo = u'\u0451';
    static constexpr char16_t CyrillicSmallYe = u'\u0435';
    static constexpr char16_t CyrillicCapitalYo = u'\u0401';
    static constexpr char16_t CyrillicCapitalYe = u'\u0415';

    static char_type normalise(char_type c)
    {
        // Identifiers are ASCII: no need to ask ICU, whose answer for these
        // is the same.
        if (c < 0x80) {
            if constexpr ((Flags & IgnoreCase) != 0) {
                if (c >= u'A' && c <= u'Z') {
                    return static_cast<char_type>(c + (u'a' - u'A'));
                }
            }
            return c;
        }
        auto unit = static_cast<UChar32>(c);
        if constexpr ((Flags & IgnoreCase) != 0) {
            // Surrogate halves come back unchanged.
            unit = u_tolower(unit);
        }
        if constexpr ((Flags & YoAsYe) != 0) {
            if (unit == CyrillicSmallYo) {
                unit = CyrillicSmallYe;
            } else if (unit == CyrillicCapitalYo) {
                unit = CyrillicCapitalYe;
            }
        }
        return static_cast<char_type>(unit);
    }

    static bool eq(char_type a, char_type b)
    {
        return normalise(a) == normalise(b);
    }

    static bool lt(char_type a, char_type b)
    {
        return normalise(a) < normalise(b);
    }

    static int compare(const char_type *a, const char_type *b, std::size_t count)
    {
        for (std::size_t i = 0; i < count; ++i) {
            const char_type x = normalise(a[i]);
            const char_type y = normalise(b[i]);
            if (x != y) {
                return x < y ? -1 : 1;
            }
        }
        return 0;
    }

    static const char_type *find(const char_type *text, std::size_t count, const char_type &c)
    {
        const char_type wanted = normalise(c);
        for (std::size_t i = 0; i < count; ++i) {
            if (normalise(text[i]) == wanted) {
                return text + i;
            }
        }
        return nullptr;
    }
};

// The comparison the event search uses: case-insensitive, "ё" as "е".
using FuzzyTraits = fuzzy_comparable_char_traits<char16_t, IgnoreCase | YoAsYe>;
using FuzzyStringView = std::basic_string_view<char16_t, FuzzyTraits>;
}
