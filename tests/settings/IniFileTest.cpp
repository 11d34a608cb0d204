#include "settings/IniFile.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

TEST(IniFileTest, ReadingRules) {
    const std::string longValue(100000, 'v');
    const std::string file = "Orphan=before any section\r\n"
                             "[General]\r\n"
                             "  SenderName   =   Ann Example  \r\n"
                             "double=\"  in quotes  \"\r\n"
                             "single='x'\n"
                             "nested=\"'x'\"\r"
                             "unpaired=\"x'\r\n"
                             "lone=\"\r\n"
                             "equals=a=b=c\r\n"
                             "empty=\r\n"
                             "Dup=first\r\n"
                             "DUP=second\r\n"
                             "long=" +
                             longValue +
                             "\r\n"
                             "binary=\x01\xff" +
                             std::string(1, '\0') +
                             "z\r\n"
                             "no equals sign\r\n"
                             "[Broken\r\n"
                             "after=broken header still in General\r\n"
                             " [ Logging ] trailing text\r\n"
                             "Mechanism=2\r\n"
                             "[general]\r\n"
                             "OnlyInSecond=lost\r\n"
                             "SenderName=second section\r\n"
                             "[Last]\r\n"
                             "nobreak=end";
    const TIniFile ini(file);
    struct Case {
        const char* section;
        const char* key;
        std::optional<std::string> value;
    };
    const Case cases[] = {
        {"General", "Orphan", std::nullopt},
        {"general", "sendername", "Ann Example"},
        {"GENERAL", "double", "  in quotes  "},
        {"General", "single", "x"},
        {"General", "nested", "'x'"},
        {"General", "unpaired", "\"x'"},
        {"General", "lone", "\""},
        {"General", "equals", "a=b=c"},
        {"General", "empty", ""},
        {"General", "dup", "first"},
        {"General", "long", longValue},
        {"General", "binary", std::string("\x01\xff") + '\0' + "z"},
        {"General", "no equals sign", std::nullopt},
        {"General", "after", "broken header still in General"},
        {"Logging", "Mechanism", "2"},
        {"General", "OnlyInSecond", std::nullopt},
        {"Last", "nobreak", "end"},
        {"Missing", "key", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ini.ReadValue(c.section, c.key), c.value) << c.section << "/" << c.key;
}

TEST(IniFileTest, IntegersAndFlags) {
    const TIniFile ini("[S]\nhex=0x1A\nHEX=0X1a\ndec= 42 \nquoted='7'\nneg=-3\nword=abc\nbig=4294967296\n"
                       "over=2147483648\nempty=\nshort=0x\nflag2=2\nflag0=0\nflagword=yes\n");
    struct Case {
        const char* key;
        std::int32_t value;
    };
    const Case integers[] = {{"hex", 26}, {"dec", 42},  {"quoted", 7}, {"neg", -3},   {"word", 99},
                             {"big", 99}, {"over", 99}, {"empty", 99}, {"short", 99}, {"missing", 99}};
    for (const auto& c : integers)
        EXPECT_EQ(ini.ReadInteger("S", c.key, 99), c.value) << c.key;

    EXPECT_TRUE(ini.ReadBool("S", "flag2", false));
    EXPECT_FALSE(ini.ReadBool("S", "flag0", true));
    EXPECT_TRUE(ini.ReadBool("S", "flagword", true));
    EXPECT_FALSE(ini.ReadBool("S", "flagword", false));
    EXPECT_TRUE(ini.ReadBool("S", "missing", true));
}

TEST(IniFileTest, WritingChangesOnlyTheKeysLinesAndKeepsEverythingElse) {
    TIniFile ini("; hand-written notes\n"
                 "\xff\xfe garbage\n"
                 "[general]\n"
                 "sendername = old  \n"
                 "Unknown=kept\n"
                 "\n"
                 "[Other]\n"
                 "x=1\n"
                 "[General]\n"
                 "SenderAddress=only in the second section\n"
                 "[Logging]\n"
                 "Mechanism=1");
    ini.WriteString("General", "SenderName", "new");
    ini.WriteString("General", "SenderAddress", "a@test");
    ini.WriteInteger("Logging", "Mechanism", 2);
    ini.WriteBool("Logging", "SizeIsLimited", true);
    ini.WriteString("Message", "Subject", "Hi");
    EXPECT_EQ(ini.Text(), "; hand-written notes\n"
                          "\xff\xfe garbage\n"
                          "[general]\n"
                          "sendername = new\n"
                          "Unknown=kept\n"
                          "SenderAddress=a@test\n"
                          "\n"
                          "[Other]\n"
                          "x=1\n"
                          "[General]\n"
                          "SenderAddress=only in the second section\n"
                          "[Logging]\n"
                          "Mechanism=2\n"
                          "SizeIsLimited=1\n"
                          "\n"
                          "[Message]\n"
                          "Subject=Hi\n");
    EXPECT_EQ(ini.ReadString("General", "SenderAddress", ""), "a@test");
}

TEST(IniFileTest, ByteOrderMarkIsKeptButDoesNotHideTheFirstSection) {
    TIniFile ini("\xef\xbb\xbf[General]\nSenderName=Ann\n");
    EXPECT_EQ(ini.ReadString("General", "SenderName", ""), "Ann");
    ini.WriteString("General", "SenderName", "Bob");
    EXPECT_EQ(ini.Text(), "\xef\xbb\xbf[General]\nSenderName=Bob\n");
}

TEST(IniFileTest, EachLineKeepsItsOwnBreak) {
    TIniFile ini("[A]\r\nk=1\nj=2\rl=3\r\n");
    ini.WriteString("A", "j", "20");
    ini.WriteString("A", "m", "4");
    EXPECT_EQ(ini.Text(), "[A]\r\nk=1\nj=20\rl=3\r\nm=4\r\n");
}

TEST(IniFileTest, ValuesReadBackAsWritten) {
    struct Case {
        std::string written;
        std::string read;
    };
    const Case cases[] = {
        {"plain", "plain"},
        {"  padded  ", "  padded  "},
        {"x ", "x "},
        {"\t", "\t"},
        {"\"Quoted\"", "\"Quoted\""},
        {"\"Hi\" ", "\"Hi\" "},
        {"'single'", "'single'"},
        {"\"half", "\"half"},
        {"two\r\nlines\nand\rmore", "two lines and more"},
        {std::string(50000, 'x'), std::string(50000, 'x')},
        {"", ""},
    };
    for (const auto& c : cases) {
        TIniFile ini;
        ini.WriteString("S", "k", c.written);
        ini.WriteString("S", "after", "still here");
        const TIniFile reread(ini.Text());
        EXPECT_EQ(reread.ReadString("S", "k", "?"), c.read) << c.written;
        EXPECT_EQ(reread.ReadString("S", "after", "?"), "still here") << c.written;
    }
}

} // namespace
} // namespace corvalet
