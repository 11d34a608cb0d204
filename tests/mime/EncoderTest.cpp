#include "mime/Encoder.h"
#include "mime/Message.h"
#include "mime/MessageEncoder.h"
#include "mime/MessageExceptions.h"
#include "support/MemorySink.h"
#include "support/PythonCheck.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace corvalet {
namespace {

std::string Base64(const std::string& bytes) {
    return TNetEncoder::EncodeWith<TNetEncoderMIME>(bytes);
}
std::string QuotedPrintable(const std::string& bytes) {
    return TNetEncoder::EncodeWith<TNetEncoderQuotedPrintable>(bytes);
}

TEST(EncoderTest, Base64MatchesTheRfcVectors) {
    const std::pair<std::string, std::string> vectors[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {std::string("\0\xff\xfe", 3), "AP/+"},
    };
    for (const auto& [bytes, text] : vectors)
        EXPECT_EQ(Base64(bytes), text) << bytes;
}

TEST(EncoderTest, AByteCountThatIsNoMultipleOfThreeIsRefused) {
    TNetEncoderMIME encoder;
    TNetStringSource source("foobar!");
    try {
        encoder.Encode(source, 4);
        FAIL() << "encoded";
    } catch (const ENetEncoderException& error) {
        EXPECT_STREQ(error.what(), "Uneven size in Encode.");
    }
    EXPECT_EQ(encoder.Encode(source, 3), "Zm9v");
    EXPECT_EQ(encoder.Encode(source), "YmFyIQ==");
}

std::string EncodeAttachment(TNetMessageEncoder& encoder, const std::string& bytes) {
    test::TMemorySink sink;
    TNetStringSource source(bytes);
    encoder.Encode(source, sink);
    return sink.Text;
}

TEST(EncoderTest, AttachmentsBecomeLinesOf76Characters) {
    TNetMessageEncoderMIME encoder;
    EXPECT_EQ(EncodeAttachment(encoder, ""), "");
    const std::string line57(76, 'A');
    EXPECT_EQ(EncodeAttachment(encoder, std::string(57, '\0')), line57 + "\r\n");
    EXPECT_EQ(EncodeAttachment(encoder, std::string(58, '\0')), line57 + "\r\nAA==\r\n");
    // Across the batches the file is read in, the lines go on unchanged.
    const std::size_t batch = TNetMessageEncoderMIME::BytesPerLine * TNetMessageEncoderMIME::LinesPerBatch;
    const std::string encoded = EncodeAttachment(encoder, std::string(batch + 3, '\0'));
    EXPECT_EQ(encoded.size(), TNetMessageEncoderMIME::LinesPerBatch * 78 + 6);
    EXPECT_EQ(encoded.substr(encoded.size() - 9), "A\r\nAAAA\r\n");
}

TEST(EncoderTest, UuencodedAttachmentsCarryTheirNameAndLength) {
    TNetMessageEncoderUUE encoder;
    encoder.FileName = "cat.txt";
    EXPECT_EQ(EncodeAttachment(encoder, "Cat"), "begin 644 cat.txt\r\n#0V%T\r\n`\r\nend\r\n");
}

TEST(EncoderTest, QuotedPrintableEscapesWhatATransportCouldChange) {
    struct Case {
        std::string text;
        std::string encoded;
    };
    const Case cases[] = {
        {"a=b\r\n", "a=3Db\r\n"},
        {".starts with a full stop\r\n", "=2Estarts with a full stop\r\n"},
        {"trailing space \r\n", "trailing space=20\r\n"},
        {"trailing tab\t\r\n", "trailing tab=09\r\n"},
        {"caf\xE9\r\n", "caf=E9\r\n"},
        {std::string(100, 'x') + "\r\n", std::string(72, 'x') + "=\r\n" + std::string(28, 'x') + "\r\n"},
        // A line that ends just past the limit keeps its line break together: no soft break before it.
        {std::string(72, 'x') + "\r\n", std::string(72, 'x') + "\r\n"},
        {std::string(72, 'x') + ".y\r\n", std::string(72, 'x') + "=\r\n=2Ey\r\n"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QuotedPrintable(c.text), c.encoded) << c.text;
}

TEST(EncoderTest, QuotedPrintableRoundTripsThroughPython) {
    std::vector<std::string> lines;
    for (std::size_t length = 66; length <= 80; ++length) {
        lines.push_back(std::string(length, 'a'));
        lines.push_back(std::string(length - 1, 'b') + " ");
        lines.push_back(std::string(length - 2, 'c') + "\xC3\xA9");
        lines.push_back(std::string(length - 3, 'd') + "=.\t");
    }
    lines.push_back("");
    lines.push_back(".");
    lines.push_back("Gr\xC3\xBC\xC3\x9F"
                    "e, \xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 = ? _ \x01\x7F");
    std::string original;
    std::string encoded;
    for (const std::string& line : lines) {
        original += line + "\r\n";
        encoded += QuotedPrintable(line + "\r\n"); // as the writer encodes text parts
    }
    test::TTempDir dir;
    dir.Write("encoded.txt", encoded);
    dir.Write("original.txt", original);
    const test::TPythonResult result = test::RunMessageCheck(
        {"quoted-printable", dir.File("encoded.txt").string(), dir.File("original.txt").string()});
    EXPECT_EQ(result.ExitCode, 0) << result.Output;
}

TEST(EncoderTest, TheEncoderListFindsNamesWithoutRegardToCase) {
    EXPECT_NE(
        dynamic_cast<TNetMessageEncoderMIME*>(TNetMessageEncoderList::ByName("mime").CreateEncoder().get()),
        nullptr);
    EXPECT_NO_THROW(TNetMessageEncoderList::ByName("XXE"));
    TNetMessage message;
    try {
        message.SetAttachmentEncoding("Base32");
        FAIL() << "set";
    } catch (const ENetEncoderException& error) {
        EXPECT_STREQ(error.what(), "Message encoder not found: Base32");
    }
    EXPECT_EQ(message.AttachmentEncoding(), "MIME");
    message.SetEncoding(TNetMessageEncoding::meUU);
    EXPECT_EQ(message.AttachmentEncoding(), "UUE");
    message.Clear();
    EXPECT_EQ(message.AttachmentEncoding(), "UUE");
    EXPECT_EQ(message.Encoding(), TNetMessageEncoding::meUU);
}

} // namespace
} // namespace corvalet
