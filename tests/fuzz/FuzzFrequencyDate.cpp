// The frequency, date and time texts of a recipient row: reading ends with a result or
// EConvertError, a date read is a real date, and what is written reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/FormatSettings.h"
#include "settings/RecipientTexts.h"

using namespace corvalet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static const TFormatSettings formats[] = {
        TFormatSettings("MM/dd/yyyy", "HH:mm:ss"),
        TFormatSettings("dd.MM.yyyy", "HH:mm:ss"),
        TFormatSettings("yyyy-MM-dd", "h:mm:ss AP"),
        TFormatSettings("d/M/yyyy", "HH:mm"),
    };
    const TFormatSettings& format = formats[data[0] % 4];
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const TDateTime today{2026, 12, 9};

    try {
        const TDateTime date = format.ParseDate(text);
        if (!date.IsValid())
            std::abort();
        if (format.ParseDate(format.FormatDate(date)) != date)
            std::abort();
    } catch (const EConvertError&) {
    }

    try {
        const TFrequency frequency = ParseFrequencyText(text, today, format);
        if (frequency.Code < 0 || frequency.Code >= static_cast<int>(FrequencyTexts.size()))
            std::abort();
        const std::string written = FormatFrequencyText(frequency.Code, frequency.Date, format);
        const TFrequency again = ParseFrequencyText(written, today, format);
        if (again.Code != frequency.Code ||
            (frequency.Code >= FirstDatedFrequency && again.Date != frequency.Date))
            std::abort();
    } catch (const EConvertError&) {
    }

    TTimeText time;
    if (ParseTimeText(text, time) && time.Hour >= 0 && time.Hour < 24 && time.Minute >= 0 && time.Minute < 60) {
        TTimeText again;
        if (!ParseTimeText(FormatTimeText(time.Hour, time.Minute), again) || again.Hour != time.Hour ||
            again.Minute != time.Minute)
            std::abort();
    }
    (void)ParseDistributionText(text);
    return 0;
}
