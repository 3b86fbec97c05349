#include "Tools/StringsTable.h"

#include <gtest/gtest.h>

namespace {

StringsTable parse(const char* utf8)
{
    return StringsTable::parse(QByteArray(utf8));
}

TEST(StringsTableTest, ReadsEntriesAcrossCommentsAndWhiteSpace)
{
    const StringsTable table = parse(
        "/* block\n comment \"not\" = \"an entry\"; */\n"
        "\"open_com\" = \"Open port\"; // trailing comment\n"
        "  \"close_com\"\t=\n\t\"Close port\"  ;\n"
        "// \"commented\" = \"out\";\n"
        "\"a\"=\"1\";\"b\"=\"2\";\n"
        "bare_word = \"unquoted key\";\n"
        "\"self\";\n");
    EXPECT_EQ(table.entries().size(), 6);
    EXPECT_EQ(table.value("open_com"), "Open port");
    EXPECT_EQ(table.value("close_com"), "Close port");
    EXPECT_EQ(table.value("a"), "1");
    EXPECT_EQ(table.value("b"), "2");
    EXPECT_EQ(table.value("bare_word"), "unquoted key");
    EXPECT_EQ(table.value("self"), "self");
    EXPECT_FALSE(table.contains("commented"));
    EXPECT_FALSE(table.contains("not"));
}

TEST(StringsTableTest, DecodesEscapesAndNonAsciiText)
{
    const StringsTable table = parse(
        "\"quote\" = \"say \\\"hi\\\"\";\n"
        "\"slash\" = \"a\\\\b\";\n"
        "\"lines\" = \"one\\ntwo\\tthree\\r\";\n"
        "\"unicode\" = \"\\U2103 \\u00e9\";\n"
        "\"other\" = \"\\'x\\'\";\n"
        "\"octal\" = \"\\101\\0619\\7\";\n"
        "\"串口 %@ 已连接到本机。\" = \"中文 ℃\";\n");
    EXPECT_EQ(table.value("quote"), "say \"hi\"");
    EXPECT_EQ(table.value("slash"), "a\\b");
    EXPECT_EQ(table.value("lines"), "one\ntwo\tthree\r");
    EXPECT_EQ(table.value("unicode"), QString::fromUtf8("℃ é"));
    EXPECT_EQ(table.value("other"), "'x'");
    EXPECT_EQ(table.value("octal"), QString("A19") + QChar(7));
    EXPECT_EQ(table.value(QString::fromUtf8("串口 %@ 已连接到本机。")), QString::fromUtf8("中文 ℃"));
}

TEST(StringsTableTest, SkipsMalformedLinesAndKeepsTheRest)
{
    const StringsTable table = parse(
        "\"first\" = \"1\";\n"
        "\"no_semicolon\" = \"x\"\n"
        "\"second\" = \"2\";\n"
        "\"no_value\" = ;\n"
        "\"no_equals\" \"x\";\n"
        "= \"no key\";\n"
        "\"bad_escape\" = \"\\Uzz\";\n"
        "\"unterminated = oops;\n"
        "\"third\" = \"3\";\n"
        "@@@ garbage @@@\n"
        "\"last\" = \"4\";");
    EXPECT_EQ(table.value("first"), "1");
    EXPECT_EQ(table.value("second"), "2");
    EXPECT_EQ(table.value("third"), "3");
    EXPECT_EQ(table.value("last"), "4");
    EXPECT_EQ(table.entries().size(), 4) << "only the four well-formed entries";
}

TEST(StringsTableTest, EdgesOfTheInput)
{
    EXPECT_TRUE(parse("").entries().isEmpty());
    EXPECT_TRUE(parse("\"k\" = \"v\"; /* never closed").contains("k"));
    EXPECT_TRUE(parse("\"k\" = \"v").entries().isEmpty());
    EXPECT_TRUE(parse("\"k\" = \"v\\").entries().isEmpty());

    // A later entry replaces an earlier one with the same key.
    EXPECT_EQ(parse("\"k\" = \"old\";\n\"k\" = \"new\";").value("k"), "new");

    // UTF-8 with a byte-order mark, and UTF-16 with one.
    EXPECT_EQ(StringsTable::parse(QByteArray("\xEF\xBB\xBF\"k\" = \"v\";")).value("k"), "v");
    const QString text = QString::fromUtf8("\"键\" = \"值\";");
    QByteArray utf16("\xFF\xFE", 2);
    utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    EXPECT_EQ(StringsTable::parse(utf16).value(QString::fromUtf8("键")), QString::fromUtf8("值"));
}

} // namespace
