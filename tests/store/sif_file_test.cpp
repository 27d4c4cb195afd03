// The OSChooser document: key lookup, in-place value replacement, saves.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "platform/file_system.h"
#include "store/sif_file.h"
#include "tests/support/test_support.h"

using menvolt_test::ReadText;
using menvolt_test::ScriptedMessages;
using menvolt_test::TempShare;
using menvolt_test::WriteText;

TEST(SifDocument, TemplateReadsEmpty) {
    SifFile sif;
    EXPECT_EQ(sif.GetText().size(), 91u);
    for (const char* key : {"Description", "Help", "LaunchFile", "Version", "ImageType"})
        EXPECT_EQ(sif.GetValue(key), "") << key;
    EXPECT_EQ(sif.GetPath(), "");
}

TEST(SifDocument, SetValueReplacesOnlyBetweenTheQuotes) {
    SifFile sif;
    std::string before = sif.GetText();
    sif.SetValue("Description", "Eighteen chars abc");
    EXPECT_EQ(sif.GetText().size(), 109u);
    EXPECT_EQ(sif.GetDescription(), "Eighteen chars abc");
    std::string expected = before;
    expected.insert(expected.find("\"\"") + 1, "Eighteen chars abc");
    EXPECT_EQ(sif.GetText(), expected);

    sif.SetValue("Description", "");
    EXPECT_EQ(sif.GetText(), before);
}

TEST(SifDocument, MissingKeyIsAppendedAfterTheLastLine) {
    SifFile sif;
    sif.SetValue("Comment", "x");
    EXPECT_EQ(sif.GetText(), std::string(SifFile::kTemplate) + "Comment = \"x\"\r\n");
    EXPECT_EQ(sif.GetValue("Comment"), "x");
}

TEST(SifFiles, AppendedKeyStartsItsOwnLine) {
    TempShare share;
    WriteText(share / "n.sif", "[OSChooser]\r\nHelp = \"h\"");  // no line end at the end
    SifFile sif;
    ASSERT_TRUE(sif.Load(TempShare::Unc("n.sif")));
    sif.SetValue("Description", "d");
    EXPECT_EQ(sif.GetText(), "[OSChooser]\r\nHelp = \"h\"\r\nDescription = \"d\"\r\n");
    EXPECT_EQ(sif.GetDescription(), "d");
}

TEST(SifDocument, VersionText) {
    SifFile sif;
    sif.SetVersion(0x0100);
    EXPECT_EQ(sif.GetValue("Version"), "1.00");
    sif.SetVersion(0x010A);
    EXPECT_EQ(sif.GetValue("Version"), "1.0A");
    sif.SetVersion(0x1F05);
    EXPECT_EQ(sif.GetValue("Version"), "1F.05");
}

TEST(SifDocument, KeysAreLineStartNamesFollowedByEquals) {
    SifFile sif;
    // A description mentioning the other keys must not be taken for them.
    sif.SetValue("Description", "Help Version LaunchFile = tool");
    sif.SetValue("Help", "the help");
    sif.SetValue("LaunchFile", "Setup\\English\\Tools\\Zent\\i386\\tool0.ldr");
    EXPECT_EQ(sif.GetDescription(), "Help Version LaunchFile = tool");
    EXPECT_EQ(sif.GetHelp(), "the help");
    EXPECT_EQ(sif.GetLaunchFile(), "Setup\\English\\Tools\\Zent\\i386\\tool0.ldr");
    EXPECT_EQ(sif.GetValue("Version"), "");
}

TEST(SifFiles, IndentedKeysAreFoundAndSetInPlace) {
    TempShare share;
    WriteText(share / "i.sif", "[OSChooser]\r\n  Description = \"x\"\r\n\tHelp=\"h\"\r\n");
    SifFile sif;
    ASSERT_TRUE(sif.Load(TempShare::Unc("i.sif")));
    EXPECT_EQ(sif.GetDescription(), "x");
    EXPECT_EQ(sif.GetHelp(), "h");
    sif.SetValue("Description", "y");
    EXPECT_EQ(sif.GetText(), "[OSChooser]\r\n  Description = \"y\"\r\n\tHelp=\"h\"\r\n");
    EXPECT_EQ(sif.EditProblem(), "");
}

TEST(SifFiles, FilesThatAreNotOSChooserTextAreNotForEditing) {
    TempShare share;
    const std::string utf16("\xFF\xFE[\0O\0S\0]\0", 10);
    const std::string withNul = std::string("[OSChooser]\r\nDescription = \"a") + '\0' + "b\"\r\n";
    for (const std::string& text : {utf16, withNul,
                                    std::string(), std::string("Description = \"x\"\r\n"),
                                    std::string("[Other]\r\n; [OSChooser]\r\n")}) {
        WriteText(share / "odd.sif", text);
        SifFile sif;
        ASSERT_TRUE(sif.Load(TempShare::Unc("odd.sif")));
        EXPECT_NE(sif.EditProblem(), "") << text;
    }
    WriteText(share / "ok.sif", "; comment\n [oschooser]\n");
    SifFile sif;
    ASSERT_TRUE(sif.Load(TempShare::Unc("ok.sif")));
    EXPECT_EQ(sif.EditProblem(), "");
}

TEST(SifDocument, QuotesAndControlCharactersNeverReachTheFile) {
    SifFile sif;
    sif.SetValue("Description", "a \"quoted\"\r\nword\x1B[31m\a\tend\x7F");
    EXPECT_EQ(sif.GetDescription(), "a 'quoted'  word[31m end");
    // The document still has exactly its seven lines.
    EXPECT_EQ(std::count(sif.GetText().begin(), sif.GetText().end(), '\n'), 7);
}

TEST(SifFiles, ForeignContentSurvivesAndKeysAreCaseSensitive) {
    TempShare share;
    std::string text =
        "; comment line\n"
        "[Other]\n"
        "Key = \"value\"\n"
        "[OSChooser]\n"
        "description = \"lower\"\n"
        "Help=\"h\"\n"
        "LaunchFile = no quotes here\n"
        "Version = \"1.00\"\n"
        "[Tail]\n"
        "Other = \"kept\"\n";
    WriteText(share / "x.sif", text);
    SifFile sif;
    ASSERT_TRUE(sif.Load(TempShare::Unc("X.SIF")));
    EXPECT_EQ(sif.GetDescription(), "");
    EXPECT_EQ(sif.GetHelp(), "h");
    EXPECT_EQ(sif.GetLaunchFile(), "");  // no pair of quotes on its line

    sif.SetValue("Description", "Upper");
    sif.SetValue("Help", "new help");
    sif.SetValue("LaunchFile", "tool1.ldr");
    ASSERT_TRUE(sif.Save());
    std::string expected =
        "; comment line\n"
        "[Other]\n"
        "Key = \"value\"\n"
        "[OSChooser]\n"
        "description = \"lower\"\n"
        "Help=\"new help\"\n"
        "LaunchFile = \"tool1.ldr\"\n"
        "Version = \"1.00\"\n"
        "[Tail]\n"
        "Other = \"kept\"\n"
        "Description = \"Upper\"\r\n";
    EXPECT_EQ(ReadText(share / "x.sif"), expected);
}

TEST(SifFiles, UnquotedKeyKeepsCarriageReturnAndLaterLines) {
    SifFile sif;
    TempShare share;
    WriteText(share / "q.sif", "[OSChooser]\r\nImageType=Flat\r\nVersion = \"1.00\"\r\n");
    ASSERT_TRUE(sif.Load(TempShare::Unc("q.sif")));
    sif.SetValue("ImageType", "Flat");
    EXPECT_EQ(sif.GetText(), "[OSChooser]\r\nImageType= \"Flat\"\r\nVersion = \"1.00\"\r\n");
}

TEST(SifFiles, LoadIsSilentAndLeavesTheDocumentOnFailure) {
    TempShare share;
    ScriptedMessages messages;
    WriteText(share / "ro.sif", "[OSChooser]\r\nDescription = \"RO\"\r\n");
    chmod((share / "ro.sif").c_str(), 0444);
    SifFile readOnly;  // read all the same, and marked
    EXPECT_TRUE(readOnly.Load(TempShare::Unc("ro.sif")));
    EXPECT_TRUE(readOnly.IsReadOnly());
    std::filesystem::create_directory(share / "folder.sif");
    SifFile sif;
    EXPECT_FALSE(sif.Load(TempShare::Unc("folder.sif")));
    EXPECT_FALSE(sif.Load(TempShare::Unc("missing.sif")));
    EXPECT_EQ(sif.GetText(), SifFile::kTemplate);
    EXPECT_EQ(sif.GetPath(), "");
    EXPECT_TRUE(messages.Empty());
}

TEST(SifFiles, SaveMessagesAndNothingLost) {
    TempShare share;
    ScriptedMessages messages;
    WriteText(share / "ro.sif", "old");
    chmod((share / "ro.sif").c_str(), 0444);
    WriteText(share / "held.sif", "old held");

    SifFile sif;
    EXPECT_FALSE(sif.SaveAs(TempShare::Unc("ro.sif")));
    platform::ExclusiveFile holder;
    ASSERT_EQ(holder.Open(TempShare::Unc("held.sif"), platform::ExclusiveFile::Mode::OpenExisting),
              platform::FileError::None);
    EXPECT_FALSE(sif.SaveAs(TempShare::Unc("held.sif")));
    EXPECT_FALSE(sif.SaveAs(TempShare::Unc("missing\\x.sif")));
    EXPECT_EQ(messages.Texts(), (std::vector<std::string>{"File write protected.", "File open error", "Invalid path."}));
    EXPECT_EQ(ReadText(share / "ro.sif"), "old");
    EXPECT_EQ(ReadText(share / "held.sif"), "old held");

    holder.Close();
    ASSERT_TRUE(sif.SaveAs(TempShare::Unc("held.sif")));
    EXPECT_EQ(ReadText(share / "held.sif"), SifFile::kTemplate);
}
