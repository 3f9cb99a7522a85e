// The forms' languages, and the one order in which every table of texts in
// several languages gives them: Russian, German, English (Sprache 1, 2, 3).
// A new language is a new column of each table.
#pragma once

#include <algorithm>
#include <array>
#include <type_traits>

namespace torv {

inline constexpr int kLanguages = 3;

// The columns' language codes (ISO 639-1), Sprache 1, 2, 3.
inline constexpr std::array<const char*, kLanguages> kLanguageCodes = { "ru", "de", "en" };
static_assert(std::ranges::none_of(kLanguageCodes, [](const char* c) { return c == nullptr; }),
    "kLanguageCodes needs a code for every language of kLanguages");
// The language the program speaks before one is chosen, and in which Qt's
// own texts are written (they need no translation in it).
inline constexpr int kEnglish = 3;
// The language of the calculation form's designed captions.
inline constexpr int kGerman = 2;

// Whether `sprache` names a column of the tables (1 .. kLanguages).
constexpr bool isLanguage(int sprache)
{
    return sprache >= 1 && sprache <= kLanguages;
}

// One text in each language: Russian, German, English; nullptr where a
// table gives none in that language. Every table that holds one is written
// with all its columns, so that a table without the column of a new language
// does not compile.
class Texts {
public:
    constexpr Texts() = default;
    // Checked at each table that gives texts, so that the compiler names
    // every one that lacks a column.
    template <typename... Text>
    requires(std::is_convertible_v<Text, const char*>&&...) consteval Texts(Text... texts)
        : texts_ { texts... }
    {
        static_assert(sizeof...(Text) == kLanguages,
            "a table of texts gives one column per language of kLanguages (languages.h), in their order: "
            "add the new language's column; the errors that follow name each table");
        if (sizeof...(Text) != kLanguages)
            throw "a table of texts gives one column per language of kLanguages (languages.h), in their order: "
                  "add the new language's column here";
    }

    // The same text in every language.
    static constexpr Texts inEvery(const char* text)
    {
        Texts t;
        t.texts_.fill(text);
        return t;
    }

    constexpr const char* operator[](int column) const { return texts_[column]; }
    constexpr auto begin() const { return texts_.begin(); }
    constexpr auto end() const { return texts_.end(); }

private:
    std::array<const char*, kLanguages> texts_ {};
};

// The column of language `sprache` (1..3); any other value gives English,
// which the program speaks before a language is chosen.
constexpr int languageColumn(int sprache)
{
    return isLanguage(sprache) ? sprache - 1 : kEnglish - 1;
}

// The text in language `sprache`; where the table gives none in that
// language (nullptr), the first one it gives.
constexpr const char* inLanguage(const Texts& texts, int sprache)
{
    if (const char* own = texts[languageColumn(sprache)])
        return own;
    for (const char* other : texts)
        if (other)
            return other;
    return nullptr;
}

} // namespace torv
