#pragma once

#include "mime/MessageSink.h"

#include <string>
#include <vector>

namespace corvalet::test {

// Keeps everything a message writer writes, and the notifications in the order they came
// ("status:<text>", "begin", "end").
class TMemorySink final : public TNetMessageSink {
public:
    void WriteText(std::string_view bytes) override {
        Text.append(bytes);
        WriteSizes.push_back(bytes.size());
    }
    void Status(std::string_view text) override { Events.push_back("status:" + std::string(text)); }
    void BeginWork() override { Events.emplace_back("begin"); }
    void EndWork() override { Events.emplace_back("end"); }

    std::string Text;
    std::vector<std::size_t> WriteSizes;
    std::vector<std::string> Events;
};

} // namespace corvalet::test
