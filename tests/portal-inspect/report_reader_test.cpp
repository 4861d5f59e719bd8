#include "brackwater/report/report_reader.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace brackwater::report {
namespace {

// `text` served `chunk` bytes at a time, as a pipe would give it.
InputStream served(std::string text, std::size_t chunk = 4096) {
  auto at = std::make_shared<std::size_t>(0);
  return InputStream{0, [text = std::move(text), chunk, at](std::span<char> buffer) {
                       const std::size_t n = std::min({chunk, buffer.size(), text.size() - *at});
                       std::copy_n(text.data() + *at, n, buffer.data());
                       *at += n;
                       return std::expected<std::size_t, std::string>(n);
                     }};
}

// `unit` repeated without end; `reads` counts the chunks taken.
InputStream endless(std::string unit, std::shared_ptr<std::size_t> reads) {
  return InputStream{0, [unit = std::move(unit), reads](std::span<char> buffer) {
                       ++*reads;
                       for (std::size_t i = 0; i < buffer.size(); ++i) {
                         buffer[i] = unit[i % unit.size()];
                       }
                       return std::expected<std::size_t, std::string>(buffer.size());
                     }};
}

TEST(ReportReaderTest, ReadsBackWhatTheSurveyWritesInAnyChunks) {
  const survey::ColorMap colors{{0x08000000, {126, 98, 71}}, {0x08FFFFFF, {255, 255, 255}}};
  for (const std::size_t chunk : {1, 7, 4096}) {
    const auto read = read_report("r.json", served(survey::render_report(colors), chunk));
    ASSERT_TRUE(read) << read.error();
    EXPECT_EQ(*read, colors);
  }
  EXPECT_EQ(read_report("r.json", served("{\n}\n")).value(), survey::ColorMap{});
  // Any JSON layout of the same object reads the same, blanks of any length too.
  const std::string blanks = " \r\n\t" + std::string(100000, ' ');
  EXPECT_EQ(read_report("r.json", served("{\"0x08000000\":[126,98,71]," + blanks +
                                         "\"0x08FFFFFF\":[255 ,255, 255]}" + blanks))
                .value(),
            colors);
}

TEST(ReportReaderTest, FaultsNameTheirLine) {
  const std::string id_form = " is not an id written \"0x\" and eight upper-case hex digits";
  const std::string channel = "a colour channel of \"0x08000001\" must be an integer from 0 to 255";
  const struct {
    std::string text;
    std::string message;
  } cases[] = {
      {"[]", "line 1: a report must be an object of surface colours, found an array"},
      {"\n7", "line 2: a report must be an object of surface colours, found a number"},
      {"{\n\n \r\n\t\"0x0800000a\": [1, 2, 3]}", "line 4: key \"0x0800000a\"" + id_form},
      {"{\"0x800000A\": [1, 2, 3]}", "line 1: key \"0x800000A\"" + id_form},
      {"{\"0X0800000A\": [1, 2, 3]}", "line 1: key \"0X0800000A\"" + id_form},
      {"{\"a\\nb" + std::string(50, 'c') + "\": 1}",
       "line 1: key \"a?b" + std::string(37, 'c') + "...\"" + id_form},
      {"{\"0x08000001\":\n \"red\"}",
       "line 2: the value of \"0x08000001\" must be [r, g, b], found a string"},
      {"{\"0x08000001\": {\"r\": 1}}",
       "line 1: the value of \"0x08000001\" must be [r, g, b], found an object"},
      {"{\"0x08000001\": [1, 2]}",
       "line 1: the value of \"0x08000001\" must be [r, g, b], found an array of 2"},
      // The count is told before the channels, as soon as it is known to be wrong.
      {"{\"0x08000001\":\n [1, null, 3, 4" + std::string(1000, ','),
       "line 2: the value of \"0x08000001\" must be [r, g, b], found an array of more than 3"},
      {"{\"0x08000001\": [1, null]}",
       "line 1: the value of \"0x08000001\" must be [r, g, b], found an array of 2"},
      {"{\"0x08000001\": [1,\n 2,\n 256\n]}", "line 3: " + channel + ", found 256"},
      {"{\"0x08000001\": [1, 2.0, 3]}", "line 1: " + channel + ", found 2.0"},
      {"{\"0x08000001\": [-0, 2, 3]}", "line 1: " + channel + ", found -0"},
      {"{\"0x08000001\": [1, -7, 3]}", "line 1: " + channel + ", found -7"},
      {"{\"0x08000001\": [1, null, 3]}", "line 1: " + channel + ", found null"},
      // Nothing inside a colour is followed.
      {"{\"0x08000001\": [1, [2" + std::string(1000, '['),
       "line 1: " + channel + ", found an array"},
      {"{\"0x08000001\": [true, {}]}", "line 1: " + channel + ", found a boolean"},
      {"{\n\"0x08000001\": [1, 2, 3],\n\"0x08000001\": [1, 2, 3]}",
       "line 3: duplicate key \"0x08000001\" (first on line 2)"},
      {"\xEF\xBB\xBF{}", "line 1: expected a JSON value, found byte 0xEF"},
      {std::string("{}\n\0", 4), "line 2: unexpected byte 0x00"},
      {"{\n\"0x08000001\" [1, 2, 3]}",
       "line 2: syntax error while parsing object separator - unexpected '['; expected ':'"},
      // Tokens are quoted up to 40 bytes.
      {"{\"0x08000001\": [1, 2, 1" + std::string(300, '0') + "]}",
       "line 1: " + channel + ", found 1" + std::string(39, '0') + "..."},
      {"{\"0x08000001\": [1, 2, " + std::string(60000, '9') + "]}",
       "line 1: [json.exception.out_of_range.406] number overflow parsing '" +
           std::string(40, '9') + "...'"},
      {"{\"0x08000001\": \"" + std::string(60000, 'a') + "\\q\"}",
       "line 1: syntax error while parsing value - invalid string: forbidden character after "
       "backslash; last read: '\"" + std::string(39, 'a') + "...'"},
      {"{\"" + std::string(70000, 'k'),
       "line 1: a token of more than 65536 bytes, which no "
       "report holds"},
  };
  for (const auto& c : cases) {
    const auto read = read_report("r.json", served(c.text));
    ASSERT_FALSE(read) << c.text;
    EXPECT_EQ(read.error(), "r.json: " + c.message) << c.text.substr(0, 80);
  }
}

TEST(ReportReaderTest, WhatCannotBeAReportIsRefusedEarly) {
  const std::string too_large = "r.json is too large to be a report: more than " +
                                std::to_string(ReportInput::kMaxBytes) + " bytes";
  // A regular file's size is enough: nothing is read.
  auto reads = std::make_shared<std::size_t>(0);
  InputStream huge = endless(" ", reads);
  huge.size = ReportInput::kMaxBytes + 1;
  EXPECT_EQ(read_report("r.json", std::move(huge)).error(), too_large);
  EXPECT_EQ(*reads, 0u);

  // A stream stops at the first byte that shows it is no report.
  for (const std::string& unit : {std::string(1, '\0'), std::string("[0,"), std::string("{\"")}) {
    *reads = 0;
    EXPECT_FALSE(read_report("r.json", endless(unit, reads)));
    EXPECT_LE(*reads, 2u) << unit;
  }
}

}  // namespace
}  // namespace brackwater::report
