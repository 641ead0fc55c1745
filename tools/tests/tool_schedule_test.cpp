// pondlet-tool schedule: the rules in force, to the second. Why a rule never
// matches is the lint's to say.
#include "tool.h"

#include "calendar.h"
#include "lint.h"
#include "support/golden_run.h"
#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;

std::pair<int, std::string> Schedule(const std::string &path, std::vector<std::string> args) {
    args.insert(args.begin(), path);
    ScheduleCommand options;
    std::string error;
    EXPECT_EQ(1, ParseScheduleArguments(args, &options, &error)) << error;
    std::ostringstream out, errors;
    int status = RunSchedule(options, out, errors);
    return {status, out.str() + errors.str()};
}

// The lines of text for day, in order, without the day and joined by ", ".
std::string DayLines(const std::string &text, const std::string &day) {
    std::string lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(day + " ", 0) == 0) lines += (lines.empty() ? "" : ", ") + line.substr(day.size() + 1);
    return lines;
}

}  // namespace

TEST(ToolSchedule, BundledSkinWeekMatchesItsGoldenText) {
    std::ifstream file(fs::path(__FILE__).parent_path() / "data" / "schedule-pondlet.txt", std::ios::binary);
    std::stringstream expected;
    expected << file.rdbuf();
    auto [status, text] = Schedule(BundledSkin().string(), {"--week-of", "2024-05-08", "--text"});
    EXPECT_EQ(0, status);
    EXPECT_EQ(expected.str(), text)
        << "regenerate with: pondlet-tool schedule skins/pondlet --week-of 2024-05-08 --text";
}

// Rows: the rules after a skin with sequences 0 to 2 (2 an event), and the
// lines of one day of the week of 2024-02-26, whose Thursday is a leap day.
TEST(ToolSchedule, IntervalsAreExactToTheSecond) {
    const struct {
        const char *name, *rules, *day, *expected;
    } rows[] = {
        {"seconds", "$1 * * * 8 30 15-20\r\n", "Mon",
         "00:00:00-08:30:14 rule 0 sequence 0, 08:30:15-08:30:20 rule 1 sequence 1, "
         "08:30:21-23:59:59 rule 0 sequence 0"},
        {"later-wins", "$1 * * * 8-9 * *\r\n$0 * * * 9 * *\r\n", "Tue",
         "00:00:00-07:59:59 rule 0 sequence 0, 08:00:00-08:59:59 rule 1 sequence 1, "
         "09:00:00-09:59:59 rule 2 sequence 0, 10:00:00-23:59:59 rule 0 sequence 0"},
        {"leap-day", "$1 * 2 29 * * *\r\n", "Thu", "00:00:00-23:59:59 rule 1 sequence 1"},
        {"weekday", "$1 3 * * * * *\r\n", "Wed", "00:00:00-23:59:59 rule 1 sequence 1"},
        {"event-above", "$2 * * * 0-1 0 0-1\r\n", "Mon",
         "00:00:00-23:59:59 rule 0 sequence 0, 00:00:00-00:00:01 event rule 1 sequence 2, "
         "01:00:00-01:00:01 event rule 1 sequence 2"},
        {"events-later-wins", "$2 * * * 0 0 *\r\n$2 * * * 0 0 30\r\n", "Mon",
         "00:00:00-23:59:59 rule 0 sequence 0, 00:00:00-00:00:29 event rule 1 sequence 2, "
         "00:00:30 event rule 2 sequence 2, 00:00:31-00:00:59 event rule 1 sequence 2"},
        {"event-below", "$2 * * * 5 0 0\r\n$1 * * * 5 * *\r\n", "Mon",
         "00:00:00-04:59:59 rule 0 sequence 0, 05:00:00-05:59:59 rule 2 sequence 1, "
         "06:00:00-23:59:59 rule 0 sequence 0"},
        // the legend lists the event rule of the row above as silent
        {"silent-event", "$2 * * * 5 0 0\r\n$1 * * * 5 * *\r\n$2 * * * 6 0 0\r\n", "  event",
         "rule 3 sequence 2 line 8, rule 1 sequence 2 line 6 never fires this week"},
    };
    for (const auto &row : rows) {
        TestFolder root("toolschedule");
        WriteTestFile(root.path / "skin" / "skin.txt",
                      std::string("D20,20,0,0\r\n#0 100\r\n#1 100\r\n#2 N\r\n#2 100\r\n") + row.rules);
        auto [status, text] = Schedule(root.path.string(), {"--week-of", "2024-02-26"});
        EXPECT_EQ(0, status) << row.name;
        EXPECT_EQ(row.expected, DayLines(text, row.day)) << row.name << "\n" << text;
    }
}

// --week-of takes any day of the week and gives its Monday; "" for a refusal.
TEST(ToolSchedule, WeekOfGivesTheMonday) {
    const struct {
        const char *text, *monday;
    } rows[] = {
        {"2024-05-08", "2024-05-06"}, {"2024-05-06", "2024-05-06"}, {"2024-05-12", "2024-05-06"},
        {"2024-03-01", "2024-02-26"}, {"2025-01-01", "2024-12-30"}, {"2024-02-30", ""},
        {"2024-13-01", ""},           {"2024-05-08x", ""},          {"tomorrow", ""},
    };
    for (const auto &row : rows) {
        SYSTEMTIME m = {};
        char seen[32] = "";
        if (ParseWeekOf(row.text, &m) && m.wDayOfWeek == 1)
            std::snprintf(seen, sizeof seen, "%04d-%02d-%02d", m.wYear, m.wMonth, m.wDay);
        EXPECT_STREQ(row.monday, seen) << row.text;
    }
}

TEST(ToolSchedule, PictureShowsTheRuleInForce) {
    TestFolder root("toolschedule");
    // Rule 2 holds ten seconds at 3:00; events 3 (hourly) and 4 (5:00) both fall at 5:00.
    WriteTestFile(root.path / "skin" / "skin.txt",
                  "D20,20,0,0\r\n#0 100\r\n#1 100\r\n#2 100\r\n#3 N\r\n#3 100\r\n#4 N\r\n#4 100\r\n"
                  "$1 * * * 12-23 * *\r\n$2 * * * 3 0 0-9\r\n$3 * * * * 0 0\r\n$4 * * * 5 0 0\r\n");
    fs::path png = root.path / "week.png";
    auto [status, text] = Schedule(root.path.string(), {"--week-of", "2024-05-06", "--png", png.string()});
    ASSERT_EQ(0, status) << text;
    EXPECT_TRUE(text.empty()) << "--png alone prints nothing";
    EXPECT_TRUE(fs::exists(png));
    SkinLines lines;
    std::ostringstream errors;
    ASSERT_EQ(1, LoadToolSkin(root.path.string(), &lines, errors));
    WeekPlan plan;
    ASSERT_EQ(1, PlanWeek(SYSTEMTIME{2024, 5, 1, 6, 0, 0, 0, 0}, &plan));
    ScreenImage image = DrawWeek(plan, lines);
    // Row 0 (Monday) at 6:00 and at 18:00: two different bands.
    auto at = [&](int hour) { return image.pixels[(size_t)(22 + 10) * image.width + 64 + hour * 30 + 5]; };
    EXPECT_NE(at(6), at(18));
    EXPECT_EQ(at(6), at(11));
    EXPECT_EQ(at(12), at(23));
    // The ten seconds of rule 2 show as a notch below the band in a band colour of their own;
    // each event rule has its own colour, the later one where both fall.
    auto pixel = [&](int x, int y) { return image.pixels[(size_t)y * image.width + x]; };
    EXPECT_NE(at(6), pixel(64 + 3 * 30 + 1, 22 + 24));
    EXPECT_NE(at(18), pixel(64 + 3 * 30 + 1, 22 + 24));
    EXPECT_NE(pixel(64, 10), pixel(64 + 3 * 30 + 1, 22 + 24));
    EXPECT_NE(pixel(64 + 1 * 30, 20), pixel(64 + 5 * 30, 20));
    EXPECT_EQ(pixel(64 + 1 * 30, 20), pixel(64 + 2 * 30, 20));
}

TEST(ToolSchedule, CalendarDayOfYearCountsTheLeapDay) {
    const struct {
        int32_t month, day, expected;
    } rows[] = {
        {1, 1, 0},   {2, 28, 58}, {2, 29, 59}, {3, 1, 60}, {12, 31, 365}, {2, 30, -1},
        {4, 31, -1}, {0, 1, -1},  {13, 1, -1}, {1, 0, -1}, {1, 32, -1},
    };
    for (const auto &row : rows) EXPECT_EQ(row.expected, DayOfYear(row.month, row.day)) << row.month << "/" << row.day;
}
