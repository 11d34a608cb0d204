#include "mime/MessageClient.h"
#include "mime/MessageExceptions.h"
#include "support/FakeClock.h"
#include "support/MemorySink.h"
#include "support/PythonCheck.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <random>

namespace corvalet {
namespace {

using Lines = std::vector<std::string>;

// The lines of a message as written: each followed by CR LF.
std::string Crlf(const Lines& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

const std::string Boundary = "=_MoreStuf_2zzz1234sadvnqw3nerasdf";
const std::string AltBoundary = "=_MoreStuf_2altzzz1234sadvnqw3nerasdf";

// A message as the mail job fills it, written at a fixed time one hour east of UTC.
class MessageClientTest : public testing::Test {
protected:
    MessageClientTest() : Clock(TDateTime{2026, 12, 8, 21, 13, 15, 0}), Message(Clock), Client(Sink) {
        Message.HeaderLanguage = "en";
        Message.ZoneOffset = [](const TDateTime&) { return 60; };
        Message.From = {"sender@example.test", "Corvalet Test"};
        Message.Subject = "Weekly report";
    }

    TNetText& AddText(const Lines& body, const std::string& type = "text/plain") {
        TNetText& text = Message.Parts.AddText(body);
        text.SetContentType(type);
        text.SetContentTransfer("7bit");
        return text;
    }

    std::string Emit() {
        Client.EmitMessage(Message);
        return Sink.Text;
    }

    test::TFakeClock Clock;
    TNetMessage Message;
    test::TMemorySink Sink;
    TNetMessageClient Client;
    test::TTempDir Dir;
};

TEST_F(MessageClientTest, BlindCopyMessageWithText) {
    SetAddresses(Message.BccList, "a@example.test, b@example.test");
    AddText({"<html>", ".hidden", "", "..two", "</html>"}, "text/html");
    EXPECT_EQ(Emit(),
              Crlf({
                  "From: \"Corvalet Test\" <sender@example.test>",
                  "Subject: Weekly report",
                  "Content-Type: multipart/alternative; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\"",
                  "MIME-Version: 1.0",
                  "Date: Tue, 8 Dec 2026 21:13:15 +0100",
                  "",
                  "This is a multi-part message in MIME format",
                  "",
                  "--=_MoreStuf_2zzz1234sadvnqw3nerasdf",
                  "Content-Type: text/html",
                  "Content-Transfer-Encoding: 7bit",
                  "",
                  "<html>",
                  "..hidden",
                  "",
                  "...two",
                  "</html>",
                  "",
                  "--=_MoreStuf_2zzz1234sadvnqw3nerasdf--",
              }));
}

TEST_F(MessageClientTest, CopyMessageWithTextAndAttachment) {
    SetAddresses(Message.CCList, "a@example.test, b@example.test");
    Message.Priority = TNetMessagePriority::mpHighest;
    AddText({"line one", ".dot"});
    Dir.Write("notes.txt", "Hello");
    Message.Parts.AddAttachment(Dir.File("notes.txt").string());
    EXPECT_EQ(Emit(), Crlf({
                          "From: \"Corvalet Test\" <sender@example.test>",
                          "Subject: Weekly report",
                          "Cc: a@example.test, b@example.test",
                          "Content-Type: multipart/mixed; boundary=\"=_MoreStuf_2zzz1234sadvnqw3nerasdf\"",
                          "MIME-Version: 1.0",
                          "Date: Tue, 8 Dec 2026 21:13:15 +0100",
                          "X-Priority: 1",
                          "",
                          "This is a multi-part message in MIME format",
                          "",
                          "--=_MoreStuf_2zzz1234sadvnqw3nerasdf",
                          "Content-Type: multipart/alternative; ",
                          "        boundary=\"=_MoreStuf_2altzzz1234sadvnqw3nerasdf\"",
                          "",
                          "--=_MoreStuf_2altzzz1234sadvnqw3nerasdf",
                          "Content-Type: text/plain",
                          "Content-Transfer-Encoding: 7bit",
                          "",
                          "line one",
                          "..dot",
                          "",
                          "",
                          "--=_MoreStuf_2altzzz1234sadvnqw3nerasdf--",
                          "",
                          "--=_MoreStuf_2zzz1234sadvnqw3nerasdf",
                          "Content-Type: application/octet-stream;",
                          "        name=\"notes.txt\"",
                          "Content-Transfer-Encoding: base64",
                          "Content-Disposition: attachment;",
                          "        filename=\"notes.txt\"",
                          "",
                          "SGVsbG8=",
                          "",
                          "--=_MoreStuf_2zzz1234sadvnqw3nerasdf--",
                      }));
    EXPECT_EQ(Sink.Events, (Lines{"begin", "status:Encoding text", "status:Encoding attachment", "end"}));
}

// The text after the header block's empty line.
std::string BodyOf(const std::string& message) {
    return message.substr(message.find("\r\n\r\n") + 4);
}

TEST_F(MessageClientTest, EmptyBodyAndEmptyAttachment) {
    AddText({});
    Dir.Write("empty.bin", "");
    Message.Parts.AddAttachment(Dir.File("empty.bin").string());
    const std::string body = BodyOf(Emit());
    EXPECT_NE(body.find(Crlf({"Content-Transfer-Encoding: 7bit", "", "", "", "--" + AltBoundary + "--"})),
              std::string::npos)
        << body;
    EXPECT_NE(body.find(Crlf({"        filename=\"empty.bin\"", "", "", "--" + Boundary + "--"})),
              std::string::npos)
        << body;
}

TEST_F(MessageClientTest, TextPartDefaultsToQuotedPrintable) {
    TNetText& text = Message.Parts.AddText({"a=b", ".x"});
    Emit();
    EXPECT_EQ(text.ContentType(), "text/plain");
    EXPECT_EQ(text.ContentTransfer(), "quoted-printable");
    EXPECT_NE(Sink.Text.find(Crlf({"Content-Type: text/plain", "Content-Transfer-Encoding: quoted-printable",
                                   "", "a=3Db", "=2Ex", "", "--" + Boundary + "--"})),
              std::string::npos)
        << Sink.Text;
}

TEST_F(MessageClientTest, AttachmentWithOwnTransferAndIdAndMessageWithoutText) {
    Dir.Write("logo.png", "abc");
    TNetAttachment& attachment = Message.Parts.AddAttachment(Dir.File("logo.png").string());
    attachment.SetContentTransfer("x-custom");
    attachment.SetContentID("<logo@example.test>");
    attachment.ExtraHeaders.Add("X-Part: extra");
    Message.Body = {".plain"};
    const std::string related = "=_MoreStuf_2relzzzsadvnq1234w3nerasdf";
    EXPECT_EQ(BodyOf(Emit()), Crlf({
                                  "This is a multi-part message in MIME format",
                                  "",
                                  "--" + related,
                                  "Content-Type: text/plain",
                                  "Content-Transfer-Encoding: 7bit",
                                  "",
                                  "..plain",
                                  "",
                                  "--" + related,
                                  "Content-Type: ;",
                                  "        name=\"logo.png\"",
                                  "Content-Transfer-Encoding: x-custom",
                                  "Content-Disposition: attachment;",
                                  "        filename=\"logo.png\"",
                                  "Content-Id: <logo@example.test>",
                                  "X-Part: extra",
                                  "",
                                  "YWJj",
                                  "",
                                  "--" + related + "--",
                              }));
}

TEST_F(MessageClientTest, WithATextPartTheMessagesOwnBodyLinesAreNotWritten) {
    // The header announces the parts, so the parts are what the body holds.
    Message.Body = {"stray"};
    AddText({"part"});
    EXPECT_EQ(BodyOf(Emit()), Crlf({"This is a multi-part message in MIME format", "", "--" + Boundary,
                                    "Content-Type: text/plain", "Content-Transfer-Encoding: 7bit", "", "part",
                                    "", "--" + Boundary + "--"}));
}

TEST_F(MessageClientTest, PlainAndPresetMessages) {
    Message.Body = {"first", ".second"};
    EXPECT_EQ(BodyOf(Emit()), Crlf({"first", "..second"}));
    EXPECT_EQ(Sink.Events, (Lines{"begin", "status:Encoding text", "end"}));

    Sink.Text.clear();
    Message.NoEncode = true;
    Message.RawHeaders.Add("Subject: as stored");
    EXPECT_EQ(Emit(), Crlf({"Subject: as stored", "", "first", "..second"}));

    Sink.Text.clear();
    Client.EmitMessage(Message, true);
    EXPECT_EQ(Sink.Text, Crlf({"Subject: as stored", ""}));
}

TEST_F(MessageClientTest, UUMessagesCarryTheBodyAndThenEachAttachment) {
    Message.SetEncoding(TNetMessageEncoding::meUU);
    Message.Body = {"See the file.", ".end"};
    Dir.Write("cat.txt", "Cat");
    Message.Parts.AddAttachment(Dir.File("cat.txt").string());
    EXPECT_EQ(BodyOf(Emit()), Crlf({"See the file.", "..end", "", "begin 644 cat.txt", "#0V%T", "`", "end"}));
}

TEST_F(MessageClientTest, UnsafeMessagesAreRefusedBeforeAnythingIsWritten) {
    const std::function<void(TNetMessage&)> unsafe[] = {
        [](TNetMessage& m) { m.Subject = "Hi\r\n.\r\nQUIT"; },
        [](TNetMessage& m) { m.CCList.Add().Address = "x@example.test\r\nBcc: y@example.test"; },
        [](TNetMessage& m) {
            m.Parts.AddText({"fine", "bad\r\n.\r\nQUIT"});
        },
        [](TNetMessage& m) { m.Parts.AddAttachment("/tmp/evil\r\nX-Injected: 1"); },
    };
    for (const auto& spoil : unsafe) {
        TNetMessage message(Clock);
        spoil(message);
        EXPECT_THROW(Client.EmitMessage(message), ENetUnsafeMessageText);
        EXPECT_EQ(Sink.Text, "");
    }
}

TEST_F(MessageClientTest, AMissingAttachmentFailsBeforeAnythingIsWritten) {
    AddText({"x"});
    Message.Parts.AddAttachment(Dir.File("missing.pdf").string());
    try {
        Client.EmitMessage(Message);
        FAIL() << "written";
    } catch (const ENetAttachmentFileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + Dir.File("missing.pdf").string() + "\". No such file or directory");
    }
    EXPECT_EQ(Sink.Text, "");

    Message.Parts.Clear();
    Message.Parts.AddAttachment(Dir.Path().string());
    try {
        Client.EmitMessage(Message);
        FAIL() << "a folder was written";
    } catch (const ENetAttachmentFileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Cannot open file \"" + Dir.Path().string() + "\". Is a directory");
    }
    EXPECT_EQ(Sink.Text, "");

    // Written part by part, the failure still ends the work notification.
    Message.Parts.AddAttachment(Dir.File("missing.pdf").string());
    Client.SendBufferSize = 0;
    EXPECT_THROW(Client.EmitBody(Message), ENetAttachmentFileError);
    EXPECT_EQ(Sink.Events.back(), "end");
}

TEST_F(MessageClientTest, GatheredWritesAreWholeBlocksOfTheSameBytes) {
    std::string data(100000, '\0');
    std::mt19937 random(7);
    for (char& c : data)
        c = static_cast<char>(random());
    Dir.Write("data.bin", data);
    AddText({"text"});
    Message.Parts.AddAttachment(Dir.File("data.bin").string());

    Client.SendBufferSize = 0;
    const std::string direct = Emit();
    for (const std::size_t block : {std::size_t{7}, std::size_t{32768}}) {
        test::TMemorySink sink;
        TNetMessageClient client(sink);
        client.SendBufferSize = block;
        client.EmitMessage(Message);
        EXPECT_EQ(sink.Text, direct);
        for (std::size_t i = 0; i + 1 < sink.WriteSizes.size(); ++i)
            ASSERT_EQ(sink.WriteSizes[i], block);
        EXPECT_LE(sink.WriteSizes.back(), block);
    }
}

TEST_F(MessageClientTest, EightBitAndOverlongBodiesGoQuotedPrintableWithTheirCharset) {
    struct Case {
        const char* what;
        Lines body;
        Lines written;
    };
    const Case cases[] = {
        {"UTF-8",
         {"Gr\u00FC\u00DFe", ".x"},
         {"Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: quoted-printable", "",
          "Gr=C3=BC=C3=9Fe", "=2Ex", "", "--" + Boundary + "--"}},
        {"windows-1252: not UTF-8",
         {"K\xF6ln"},
         {"Content-Type: text/plain; charset=windows-1252", "Content-Transfer-Encoding: quoted-printable", "",
          "K=F6ln", "", "--" + Boundary + "--"}},
        {"an ASCII line past 998 bytes",
         {std::string(999, 'a')},
         {"Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: quoted-printable"}},
        {"a NUL byte",
         {std::string("a\0b", 3)},
         {"Content-Type: text/plain; charset=UTF-8", "Content-Transfer-Encoding: quoted-printable", "",
          "a=00b"}},
    };
    for (const Case& c : cases) {
        Message.Parts.Clear();
        Sink.Text.clear();
        AddText(c.body);
        EXPECT_NE(BodyOf(Emit()).find(Crlf(c.written)), std::string::npos) << c.what << "\n" << Sink.Text;
    }
    // ASCII lines of up to 998 bytes go as they stand.
    Message.Parts.Clear();
    Sink.Text.clear();
    AddText({std::string(998, 'a')});
    EXPECT_EQ(BodyOf(Emit()), Crlf({"This is a multi-part message in MIME format", "", "--" + Boundary,
                                    "Content-Type: text/plain", "Content-Transfer-Encoding: 7bit", "",
                                    std::string(998, 'a'), "", "--" + Boundary + "--"}));
}

TEST_F(MessageClientTest, NamesThatCannotStandBetweenQuotesAreEncoded) {
    Dir.Write("Bericht M\xC3\xA4rz \"Q1\".pdf", "x");
    Message.Parts.AddAttachment(Dir.File("Bericht M\xC3\xA4rz \"Q1\".pdf").string());
    Dir.Write("back\\slash.txt", "y");
    Message.Parts.AddAttachment(Dir.File("back\\slash.txt").string());
    const std::string body = BodyOf(Emit());
    EXPECT_NE(body.find(Crlf({"Content-Type: application/octet-stream;",
                              "        name=\"Bericht =?UTF-8?Q?M=C3=A4rz_=22Q1=22.pdf?=\"",
                              "Content-Transfer-Encoding: base64", "Content-Disposition: attachment;",
                              "        filename*=UTF-8''Bericht%20M%C3%A4rz%20%22Q1%22.pdf", ""})),
              std::string::npos)
        << body;
    EXPECT_NE(
        body.find(Crlf({"        name=\"=?UTF-8?Q?back=5Cslash.txt?=\"", "Content-Transfer-Encoding: base64",
                        "Content-Disposition: attachment;", "        filename*=UTF-8''back%5Cslash.txt"})),
        std::string::npos)
        << body;
}

TEST_F(MessageClientTest, ABodyLineThatBeginsWithABoundaryMovesAllBoundaries) {
    AddText({"--" + Boundary, "--" + AltBoundary + "_1 too"});
    Dir.Write("a.txt", "a");
    Message.Parts.AddAttachment(Dir.File("a.txt").string());
    const std::string text = Emit();
    EXPECT_NE(text.find("Content-Type: multipart/mixed; boundary=\"" + Boundary + "_2\"\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("        boundary=\"" + AltBoundary + "_2\"\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n--" + AltBoundary + "_2--\r\n\r\n--" + Boundary + "_2\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\n--" + Boundary + "_2--\r\n"), std::string::npos);

    // A line that only resembles one leaves the fixed boundaries.
    Message.Parts.Clear();
    Sink.Text.clear();
    AddText({"-" + Boundary, "x--" + Boundary});
    EXPECT_NE(Emit().find("boundary=\"" + Boundary + "\"\r\n"), std::string::npos);
}

// The message as Python's own mail parser reads it.
class MessageCheckedByPython : public MessageClientTest {
protected:
    test::TPythonResult Check(Lines arguments) {
        Dir.Write("message.eml", Emit());
        arguments.insert(arguments.begin(), {"message", Dir.File("message.eml").string()});
        return test::RunMessageCheck(arguments);
    }

    std::string WriteFile(const std::string& name, const std::string& bytes) {
        Dir.Write(name, bytes);
        return Dir.File(name).string();
    }
};

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(42);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

TEST_F(MessageCheckedByPython, CopyMessageWithBinaryAttachment) {
    Message.Subject = "Caf\xC3\xA9 menu, \"quoted\" and \xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    SetAddresses(Message.CCList,
                 "a@example.test, Bea Jones <b@example.test>, \"Smith, Al\" <al@example.test>");
    const Lines body = {"<p>Hello</p>", ".", "..two", "", ". space", "\xC3\xA9t\xC3\xA9"};
    AddText(body, "text/html");
    const std::string attachment = WriteFile("data.bin", RandomBytes(1024 * 1024 + 17));
    std::string bodyFile;
    for (const std::string& line : body)
        bodyFile += (bodyFile.empty() ? "" : "\r\n") + line;
    Message.Parts.AddAttachment(attachment);
    const test::TPythonResult result =
        Check({"--subject-file", WriteFile("subject.txt", Message.Subject), "--body-file",
               WriteFile("body.txt", bodyFile), "--blank-after", "1", "--attachment", attachment, "--cc",
               "|a@example.test", "--cc", "Bea Jones|b@example.test", "--cc", "Smith, Al|al@example.test",
               "--headers", "From,Subject,Cc,Content-Type,MIME-Version,Date"});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

TEST_F(MessageCheckedByPython, LongCyrillicSubjectAndEmptyAttachment) {
    // About forty letters: several encoded words, each continued on a line of its own.
    const std::string privet = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";
    const std::string mir = "\xD0\xBC\xD0\xB8\xD1\x80";
    Message.Subject = privet + ", " + mir + "! " + privet + " " + mir + ", " + privet + " " + privet + " " +
                      mir + " d\xC3\xA9j\xC3\xA0 vu " + privet + ", " + mir + "!";
    SetAddresses(Message.BccList, "a@example.test");
    AddText({"x"});
    const std::string empty = WriteFile("empty.bin", "");
    Message.Parts.AddAttachment(empty);
    const test::TPythonResult result =
        Check({"--subject-file", WriteFile("subject.txt", Message.Subject), "--attachment", empty,
               "--headers", "From,Subject,Content-Type,MIME-Version,Date"});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
    EXPECT_GE(std::count(Sink.Text.begin(), Sink.Text.end(), '\t'), 2) << "several encoded words";
}

TEST_F(MessageCheckedByPython, TextOnlyMessageInJapanese) {
    Message.HeaderLanguage = "ja";
    Message.Subject =
        "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE4\xBB\xB6\xE5\x90\x8D " + std::string(60, 'x') +
        " \xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C"
        "\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE6"
        "\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";
    Message.From = {"sender@example.test", "\xE5\xB1\xB1\xE7\x94\xB0"};
    SetAddresses(Message.BccList, "a@example.test");
    AddText({"one", ".two"});
    const test::TPythonResult result = Check({"--subject-file", WriteFile("subject.txt", Message.Subject),
                                              "--body-file", WriteFile("body.txt", "one\r\n.two"),
                                              "--headers", "From,Subject,Content-Type,MIME-Version,Date"});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

TEST_F(MessageCheckedByPython, BodiesInEveryCharsetReadAsWritten) {
    struct Case {
        const char* what;
        std::string bodyFile;
        const char* charset;
        const char* type;
    };
    const std::string utf8 =
        "Gr\u00FC\u00DFe aus K\u00F6ln\r\n.dot\r\n\u65E5\u672C\r\n" + std::string(1200, 'z') + "\r\nend ";
    const std::string cp1252 = "Gr\xFC\xDF\x65 aus K\xF6ln \x80 \x93quoted\x94\r\n.dot"; // \x65 is "e"
    const Case cases[] = {
        {"UTF-8, plain", utf8, "utf-8", "text/plain"},
        {"UTF-8, HTML", "<p>" + utf8 + "</p>", "utf-8", "text/html"},
        {"windows-1252, plain", cp1252, "cp1252", "text/plain"},
        {"windows-1252, HTML", "<p>" + cp1252 + "</p>", "cp1252", "text/html"},
    };
    for (const Case& c : cases) {
        Message.Parts.Clear();
        Sink.Text.clear();
        Lines body;
        for (std::size_t start = 0;;) {
            const std::size_t end = c.bodyFile.find("\r\n", start);
            body.push_back(c.bodyFile.substr(start, end - start));
            if (end == std::string::npos)
                break;
            start = end + 2;
        }
        AddText(body, c.type);
        const test::TPythonResult result =
            Check({"--body-file", WriteFile("body.txt", c.bodyFile), "--body-charset", c.charset});
        EXPECT_EQ(result.ExitCode, 0) << c.what << ": " << result.Output;
    }
}

TEST_F(MessageCheckedByPython, AttachmentNamesBoundaryLinesAndLookAlikesArriveAsTyped) {
    Message.Subject = "Re: =?UTF-8?Q?abc?= " + std::string(1200, 'w');
    // A quoted name is never folded, so one too long for a line goes out as words.
    std::string longName = "Name";
    while (longName.size() < 1200)
        longName += " Name";
    SetAddresses(Message.CCList,
                 "\"=?UTF-8?Q?abc?=\" <a@example.test>, \"" + longName + "\" <b@example.test>");
    const Lines body = {"--" + Boundary, "--" + AltBoundary + "--", "after"};
    AddText(body);
    const std::string name = "Bericht M\xC3\xA4rz \"Q1\".pdf";
    const std::string attachment = WriteFile(name, RandomBytes(1000));
    Message.Parts.AddAttachment(attachment);
    const test::TPythonResult result =
        Check({"--subject-file", WriteFile("subject.txt", Message.Subject), "--body-file",
               WriteFile("body.txt", body[0] + "\r\n" + body[1] + "\r\n" + body[2]), "--blank-after", "1",
               "--attachment", attachment, "--attachment-name", WriteFile("name.txt", name), "--cc",
               "=?UTF-8?Q?abc?=|a@example.test", "--cc", longName + "|b@example.test"});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

} // namespace
} // namespace corvalet
