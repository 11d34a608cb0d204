// The delivery state's reader over any file: it either refuses the text or gives runs that are
// ordered, apart and read back the same after being written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "delivery/DeliveryState.h"

using namespace corvalet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TEvaluatedRuns runs;
    try {
        runs = TDeliveryState::ParseState(text);
    } catch (const EStateDamaged&) {
        return 0;
    }
    std::int64_t previousLast = 0;
    bool first = true;
    for (const auto& [begin, end] : runs) {
        if (end < begin || (!first && begin <= previousLast + 1))
            std::abort();
        previousLast = end;
        first = false;
    }
    if (TDeliveryState::ParseState(TDeliveryState::StateText(runs)) != runs)
        std::abort();
    return 0;
}
