#include "GenText.h"

#include <array>
#include <charconv>

namespace gen {

namespace {

constexpr std::string_view LatinWords[] = {
    "news", "weather", "forecast", "recipes", "travel", "guide", "tutorial", "reference",
    "manual", "daily", "review", "forum", "blog", "market", "city", "music", "photo",
    "library", "archive", "project", "notes", "report", "science", "history", "garden",
    "kitchen", "cinema", "books", "maps", "sport", "football", "hockey", "chess", "python",
    "linux", "compiler", "database", "network", "security", "design", "health", "finance",
    "bank", "taxes", "school", "university", "course", "lecture", "podcast", "radio",
    "video", "online", "free", "best", "new", "open", "quick", "simple", "complete",
    "official", "community", "wiki", "tips", "home", "office", "calendar", "mail", "cloud",
    "storage", "backup", "server", "weekend", "summer", "winter", "mountain", "river", "sea",
    "train", "flights", "hotel", "timetable", "jobs", "dictionary", "grammar", "exam",
    "release", "changelog", "benchmark", "kernel", "shell", "editor", "fonts", "icons",
};

constexpr std::string_view CyrillicWords[] = {
    "новости", "погода", "прогноз", "рецепты", "путешествия", "справочник", "руководство",
    "документация", "обзор", "форум", "блог", "рынок", "город", "музыка", "фото",
    "библиотека", "архив", "проект", "заметки", "отчёт", "наука", "история", "сад", "кухня",
    "кино", "книги", "карты", "спорт", "футбол", "хоккей", "шахматы", "программирование",
    "база", "данных", "сеть", "безопасность", "дизайн", "здоровье", "финансы", "банк",
    "налоги", "школа", "университет", "курс", "лекция", "радио", "видео", "бесплатно",
    "лучшие", "новый", "открытый", "быстрый", "простой", "полный", "официальный",
    "сообщество", "советы", "дом", "работа", "календарь", "почта", "облако", "хранилище",
    "сервер", "выходные", "лето", "зима", "горы", "река", "море", "поезда", "авиабилеты",
    "гостиница", "москва", "петербург", "казань", "новосибирск", "расписание", "электрички",
    "дача", "ремонт", "авто", "запчасти", "вакансии", "учёба", "экзамен", "словарь",
    "перевод", "грамматика", "ёлка", "щука", "жильё", "цены", "уроки", "примеры",
};

constexpr std::string_view FolderTopics[] = {
    "Новости", "Работа", "Development", "Путешествия", "Рецепты", "Music", "Финансы",
    "Учёба", "Reading list", "Дом и дача", "Авто", "Photo", "Спорт", "Кино и сериалы",
    "Health", "Магазины", "Linux", "Документация", "Проекты", "Архив", "Разное", "Tools",
    "Science", "Языки", "Книги", "Дети", "Games", "Карты", "Погода", "Банки", "Налоги",
    "Podcasts", "Радио", "Hobby", "Сад и огород", "Фото", "Design", "Security", "Старое",
    "Неразобранное", "Читать позже", "Reference", "Конференции", "Вакансии", "Open source",
    "Статьи", "Видео", "Blogs", "Форумы", "Ремонт", "Hardware", "Шахматы", "Math",
    "Электроника", "Travel 2019", "Отпуск", "Recipes & cooking", "Здоровье", "Misc",
};

constexpr std::string_view SiteStems[] = {
    "dailynews", "gorod-novosti", "recepty-doma", "codenotes", "opendocs", "travel-guide",
    "bookshelf", "photo-album", "sport-today", "finance-help", "learn-online",
    "home-garden", "auto-parts", "music-box", "radio-wave", "science-daily",
    "history-archive", "linux-notes", "chess-club", "weather-now", "map-tiles",
    "shop-catalog", "job-board", "study-portal", "slovari", "perevodchik", "pogoda-online",
    "kino-zal", "dacha-sovety", "rasp-poezdov", "devforum", "kernel-notes",
};

constexpr std::string_view Subdomains[] = {"www.", "", "", "m.", "docs.", "forum.", "ru.",
                                           "en.", "blog.", "wiki."};

constexpr std::string_view QueryKeys[] = {"q", "id", "page", "lang", "sort", "utm_source",
                                          "utm_medium", "ref", "tab", "city", "from", "to",
                                          "date", "search", "view", "limit"};

constexpr std::string_view Langs[] = {"ru", "en", "de", "uk", "fr"};

constexpr std::string_view UserNames[] = {"anna", "ivan", "olga", "dmitry", "user", "sergey",
                                          "maria", "alex"};

template <size_t N>
std::string_view Pick(Rng& rng, const std::string_view (&words)[N])
{
    return words[Below(rng, N)];
}

std::string_view PickWord(Rng& rng, bool cyrillic)
{
    return cyrillic ? Pick(rng, CyrillicWords) : Pick(rng, LatinWords);
}

// Appends `word` with its first letter in upper case (ASCII and the Russian alphabet).
void AppendCapitalized(std::string& out, std::string_view word)
{
    if (word.empty()) return;
    const auto b0 = static_cast<unsigned char>(word[0]);
    if (b0 >= 'a' && b0 <= 'z') {
        out += static_cast<char>(b0 - 'a' + 'A');
        out.append(word.substr(1));
        return;
    }
    if (word.size() >= 2) {
        const auto b1 = static_cast<unsigned char>(word[1]);
        unsigned char u0 = 0, u1 = 0;
        if (b0 == 0xD0 && b1 >= 0xB0 && b1 <= 0xBF) {  // а..п
            u0 = 0xD0;
            u1 = static_cast<unsigned char>(b1 - 0x20);
        } else if (b0 == 0xD1 && b1 >= 0x80 && b1 <= 0x8F) {  // р..я
            u0 = 0xD0;
            u1 = static_cast<unsigned char>(b1 + 0x20);
        } else if (b0 == 0xD1 && b1 == 0x91) {  // ё
            u0 = 0xD0;
            u1 = 0x81;
        }
        if (u0 != 0) {
            out += static_cast<char>(u0);
            out += static_cast<char>(u1);
            out.append(word.substr(2));
            return;
        }
    }
    out.append(word);
}

void AppendHex(std::string& out, uint64_t value, int digits)
{
    static constexpr char Digits[] = "0123456789abcdef";
    for (int i = digits - 1; i >= 0; --i) out += Digits[(value >> (i * 4)) & 0xF];
}

// Percent-encodes a UTF-8 word the way browsers put it into a query string.
void AppendPercentEncoded(std::string& out, std::string_view word)
{
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (char c : word) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out += c;
        } else {
            out += '%';
            out += Digits[b >> 4];
            out += Digits[b & 0xF];
        }
    }
}

void AppendQueryValue(std::string& out, Rng& rng, std::string_view key)
{
    if (key == "q" || key == "search" || key == "city") {
        const bool cyrillic = Chance(rng, 60);
        AppendPercentEncoded(out, PickWord(rng, cyrillic));
        if (Chance(rng, 50)) {
            out += '+';
            AppendPercentEncoded(out, PickWord(rng, cyrillic));
        }
    } else if (key == "lang") {
        out.append(Pick(rng, Langs));
    } else if (key == "date" || key == "from" || key == "to") {
        AppendNumber(out, Between(rng, 2012, 2024));
        out += '-';
        const uint64_t month = Between(rng, 1, 12), day = Between(rng, 1, 28);
        if (month < 10) out += '0';
        AppendNumber(out, month);
        out += '-';
        if (day < 10) out += '0';
        AppendNumber(out, day);
    } else if (key == "utm_source" || key == "utm_medium" || key == "ref" || key == "tab" ||
               key == "sort" || key == "view") {
        out.append(Pick(rng, LatinWords));
    } else {
        AppendNumber(out, Chance(rng, 50) ? Between(rng, 1, 50) : Between(rng, 1000, 9999999));
    }
}

}  // namespace

void AppendNumber(std::string& out, uint64_t value)
{
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
}

void AppendBookmarkName(std::string& out, Rng& rng)
{
    const bool cyrillic = Chance(rng, 60);
    // Mostly one language per name, with a foreign word now and then.
    auto word = [&] { return PickWord(rng, Chance(rng, 80) ? cyrillic : !cyrillic); };
    switch (Below(rng, 6)) {
    case 0:
        AppendCapitalized(out, word());
        out += ' ';
        out.append(word());
        break;
    case 1:
        AppendCapitalized(out, word());
        out += ' ';
        out.append(word());
        out.append(" \xE2\x80\x94 ");  // em dash
        AppendCapitalized(out, Pick(rng, SiteStems));
        break;
    case 2:
        AppendCapitalized(out, word());
        out.append(": ");
        out.append(word());
        out += ' ';
        out.append(word());
        break;
    case 3:
        AppendCapitalized(out, word());
        out += ' ';
        out.append(word());
        out += ' ';
        AppendNumber(out, Chance(rng, 50) ? Between(rng, 2010, 2024) : Between(rng, 1, 12));
        break;
    case 4:
        out.append("\xC2\xAB");  // guillemets
        AppendCapitalized(out, word());
        out += ' ';
        out.append(word());
        out.append("\xC2\xBB | ");
        AppendCapitalized(out, word());
        break;
    default:
        AppendCapitalized(out, word());
        out += ' ';
        out.append(word());
        out += ' ';
        out.append(word());
        out += ' ';
        out.append(word());
        break;
    }
}

uint64_t FolderTopicCount()
{
    return std::size(FolderTopics);
}

void AppendFolderName(std::string& out, uint64_t offset, uint64_t index)
{
    const uint64_t count = std::size(FolderTopics);
    out.append(FolderTopics[(offset + index) % count]);
    // Past one round of topics a number keeps the names distinct.
    if (index >= count) {
        out += ' ';
        AppendNumber(out, index / count + 1);
    }
}

void AppendUrl(std::string& out, Rng& rng)
{
    out.append(Chance(rng, 85) ? "https://" : "http://");
    out.append(Pick(rng, Subdomains));
    out.append(Pick(rng, SiteStems));
    out.append(".example");
    const uint64_t segments = Below(rng, 4);
    for (uint64_t i = 0; i < segments; ++i) {
        out += '/';
        out.append(Pick(rng, LatinWords));
        if (i + 1 == segments && Chance(rng, 30)) {
            out += '-';
            AppendNumber(out, Between(rng, 100, 999999));
            out.append(".html");
        }
    }
    if (segments == 0 || Chance(rng, 20)) out += '/';
    if (Chance(rng, 60)) {
        const uint64_t params = Between(rng, 1, 4);
        for (uint64_t i = 0; i < params; ++i) {
            out += i == 0 ? '?' : '&';
            const std::string_view key = Pick(rng, QueryKeys);
            out.append(key);
            out += '=';
            AppendQueryValue(out, rng, key);
        }
    }
    if (Chance(rng, 10)) {
        out += '#';
        out.append(Pick(rng, LatinWords));
    }
}

void AppendDescription(std::string& out, Rng& rng)
{
    const bool cyrillic = Chance(rng, 60);
    const uint64_t words = Between(rng, 4, 12);
    for (uint64_t i = 0; i < words; ++i) {
        const std::string_view word = PickWord(rng, Chance(rng, 85) ? cyrillic : !cyrillic);
        if (i == 0) {
            AppendCapitalized(out, word);
        } else {
            out.append(Chance(rng, 10) ? ", " : " ");
            out.append(word);
        }
    }
    out += '.';
}

void AppendShortName(std::string& out, Rng& rng)
{
    const std::string_view word = PickWord(rng, Chance(rng, 40));
    // Nicknames are short: the first letters of a word, maybe with a digit.
    size_t cut = 0, letters = 0;
    while (cut < word.size() && letters < 6) {
        const auto b = static_cast<unsigned char>(word[cut]);
        cut += b < 0x80 ? 1 : 2;  // the words hold ASCII and two-byte Cyrillic only
        ++letters;
    }
    out.append(word.substr(0, cut));
    if (Chance(rng, 30)) AppendNumber(out, Between(rng, 1, 9));
}

void AppendIconFile(std::string& out, Rng& rng, std::string_view user)
{
    out.append("C:\\Users\\");
    out.append(user);
    out.append("\\AppData\\Roaming\\Bookmarks\\icons\\");
    AppendHex(out, NextU64(rng), 16);
    out.append(".ico");
}

std::string_view PickUserName(Rng& rng)
{
    return Pick(rng, UserNames);
}

}  // namespace gen
