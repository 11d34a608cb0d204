#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include <array>
#include <cstdint>
#include <string_view>

namespace corvalet {

// Small helpers the pages share to make their controls.

// Space between a page's edge and its controls.
inline constexpr int PageMargin = 6;

template <typename TControl> TControl* Named(TControl* control, const char* name) {
    control->setObjectName(name);
    return control;
}

inline QLabel* BuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setBuddy(buddy);
    return label;
}

// The "..." button beside a file name field.
inline QPushButton* BrowseButton(const char* name, QWidget* parent) {
    auto* button = Named(new QPushButton(QStringLiteral("..."), parent), name);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    return button;
}

// A file name field: the whole name is its tooltip, since a long path is wider than the field.
inline void ShowNameAsToolTip(QLineEdit* field) {
    QObject::connect(field, &QLineEdit::textChanged, field, [field](const QString& text) { field->setToolTip(text); });
}

template <std::size_t N> QStringList ItemsOf(const std::array<std::string_view, N>& texts) {
    QStringList items;
    for (const std::string_view text : texts)
        items << QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return items;
}

// A code outside the list's items selects none; with none selected the stored code stays as it was,
// so a hand-edited value is neither lost nor turned into another.
inline void SelectCode(QComboBox* list, std::uint8_t code) {
    list->setCurrentIndex(code < list->count() ? code : -1);
}

inline std::uint8_t SelectedCode(const QComboBox* list, std::uint8_t stored) {
    return list->currentIndex() < 0 ? stored : static_cast<std::uint8_t>(list->currentIndex());
}

} // namespace corvalet
