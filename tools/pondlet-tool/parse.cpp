// Command-line values and input files of pondlet-tool.
#include "tool.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

struct DurationUnit {
    const char *suffix;
    double ms;
};
//  suffix  milliseconds
const DurationUnit durationUnits[] = {
    {"ms", 1.0}, {"s", 1000.0}, {"m", 60000.0}, {"h", 3600000.0}, {"d", 86400000.0},
};

// Digits with at most one decimal point, at least one digit.
int IsPlainDecimal(const std::string &text) {
    int digits = 0, points = 0;
    for (char c : text) {
        if (std::isdigit((unsigned char)c))
            digits++;
        else if (c == '.')
            points++;
        else
            return 0;
    }
    return digits > 0 && points <= 1 && text.size() <= 15;
}

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

// 0 = Sunday (Sakamoto's method).
int DayOfWeek(int year, int month, int day) {
    static const int offsets[] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    return (year + year / 4 - year / 100 + year / 400 + offsets[month - 1] + day) % 7;
}

std::vector<std::string> SplitBlanks(const std::string &text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    std::string word;
    while (in >> word) words.push_back(word);
    return words;
}

struct ActionForm {
    const char *name;
    int numbers;  // how many numbers follow the name
    bool colour;  // a trailing RRGGBB
};
//  name               numbers colour
const ActionForm actionForms[] = {
    {"tray-tap", 0, false}, {"tray-double-tap", 0, false}, {"second-start", 0, false},
    {"press", 1, false},    {"choose", 2, false},          {"double-tap", 2, false},
    {"enter", 0, false},    {"escape", 0, false},          {"close", 0, false},
    {"paint", 4, true},     {"settings-change", 2, false}, {"window-moved", 0, false},
    {"help", 0, false},
};

struct BlendName {
    const char *name;
    int32_t mode;
};
//  name  mode (a BlendMode)
const BlendName blendNames[] = {
    {"100%", 0}, {"75%", 1}, {"50%", 2}, {"25%", 3}, {"half", 4},
    {"0", 0},    {"1", 1},   {"2", 2},   {"3", 3},   {"4", 4},
};

}  // namespace

int ParseBlend(const std::string &text, int32_t *mode) {
    std::string name = text;
    for (char &c : name) c = (char)std::tolower((unsigned char)c);
    for (const BlendName &entry : blendNames)
        if (name == entry.name) {
            *mode = entry.mode;
            return 1;
        }
    return 0;
}

int ParseDuration(const std::string &text, uint64_t *ms) {
    for (const DurationUnit &unit : durationUnits) {
        size_t n = std::string(unit.suffix).size();
        if (text.size() <= n || text.compare(text.size() - n, n, unit.suffix) != 0) continue;
        std::string number = text.substr(0, text.size() - n);
        // "5ms" also ends in "s": only a plain number may stand before the unit.
        if (!IsPlainDecimal(number)) continue;
        double value = std::strtod(number.c_str(), nullptr) * unit.ms;
        if (value > 1e15) return 0;
        *ms = (uint64_t)std::llround(value);
        return 1;
    }
    if (!IsPlainDecimal(text)) return 0;
    double value = std::strtod(text.c_str(), nullptr) * 1000.0;
    if (value > 1e15) return 0;
    *ms = (uint64_t)std::llround(value);
    return 1;
}

int ParseStartTime(const std::string &text, SYSTEMTIME *time) {
    int year, month, day, hour, minute, second, milli = 0, used = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &year, &month, &day, &hour, &minute,
                    &second, &used) != 6)
        return 0;
    std::string rest = text.substr((size_t)used);
    if (!rest.empty()) {
        int64_t value;
        if (rest[0] != '.' || rest.size() != 4 || !ParseDigits(rest.substr(1), &value)) return 0;
        milli = (int)value;
    }
    if (year < 1601 || year > 9999 || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59 || hour < 0 ||
        minute < 0 || second < 0)
        return 0;
    *time = SYSTEMTIME{};
    time->wYear = (WORD)year;
    time->wMonth = (WORD)month;
    time->wDay = (WORD)day;
    time->wDayOfWeek = (WORD)DayOfWeek(year, month, day);
    time->wHour = (WORD)hour;
    time->wMinute = (WORD)minute;
    time->wSecond = (WORD)second;
    time->wMilliseconds = (WORD)milli;
    return 1;
}

int ParseColour(const std::string &text, COLORREF *colour) {
    if (text.size() != 6) return 0;
    for (char c : text)
        if (!std::isxdigit((unsigned char)c)) return 0;
    unsigned long rgb = std::strtoul(text.c_str(), nullptr, 16);
    *colour = (COLORREF)(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
    return 1;
}

int ParseInputLine(const std::string &text, InputLine *line, bool *skip, std::string *error) {
    std::vector<std::string> words = SplitBlanks(text);
    *skip = words.empty() || words[0][0] == '#';
    if (*skip) return 1;
    if (words.size() < 2 || !ParseDuration(words[0], &line->at)) {
        *error = "expected TIME ACTION";
        return 0;
    }
    for (const ActionForm &form : actionForms) {
        if (words[1] != form.name) continue;
        size_t expected = 2 + (size_t)form.numbers + (form.colour ? 1 : 0);
        if (words.size() != expected) {
            *error = std::string(form.name) + " takes " + std::to_string(expected - 2) + " values";
            return 0;
        }
        line->kind = form.name;
        line->numbers.clear();
        for (int i = 0; i < form.numbers; i++) {
            int64_t value;
            if (!ParseDigits(words[2 + (size_t)i], &value) || value > 0x7FFFFFFF) {
                *error = "not a number: " + words[2 + (size_t)i];
                return 0;
            }
            line->numbers.push_back(value);
        }
        if (form.colour && !ParseColour(words.back(), &line->colour)) {
            *error = "not a colour RRGGBB: " + words.back();
            return 0;
        }
        line->text.clear();
        for (size_t i = 1; i < words.size(); i++) line->text += (i > 1 ? " " : "") + words[i];
        return 1;
    }
    *error = "unknown action: " + words[1];
    return 0;
}

int ReadInputFile(const std::string &path, std::vector<InputLine> *lines, std::string *error) {
    std::ifstream in(path);
    if (!in) {
        *error = "cannot read " + path;
        return 0;
    }
    std::string text;
    for (int number = 1; std::getline(in, text); number++) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        InputLine line;
        bool skip = false;
        std::string why;
        if (!ParseInputLine(text, &line, &skip, &why)) {
            *error = path + ":" + std::to_string(number) + ": " + why;
            return 0;
        }
        if (!skip) lines->push_back(line);
    }
    return 1;
}
