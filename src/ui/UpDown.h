#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

namespace corvalet {

// A pair of small up and down arrows holding a position within a range. The arrows never take the
// keyboard focus, so a field beside them keeps it while they are clicked.
//
// Without wrapping, the arrows keep the position within the range. With wrapping, a step past
// either end is proposed to the owner through Changing, which decides the new position.
// An attached number field shows the position and sets it when a valid number is typed.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);

    void SetRange(int minimum, int maximum);
    int Minimum() const { return Min; }
    int Maximum() const { return Max; }
    void SetWrap(bool wrap) { Wraps = wrap; }
    bool Wrap() const { return Wraps; }

    int Position() const { return Pos; }
    void SetPosition(int position);

    // The number field that shows the position.
    void Attach(QLineEdit* field);

    // As tall as a one-line field, so the arrows sit level with the field beside them.
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

    QToolButton* UpButton() const { return Up; }
    QToolButton* DownButton() const { return Down; }

    // One step of the arrows, as the user asked for it.
    void StepBy(int delta);

signals:
    // A step proposes a new position; with wrapping the owner sets the position itself.
    void Changing(int proposed);
    // The position changed through the arrows or the attached field.
    void PositionChanged(int position);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPositionInField();
    void ReadField();

    QToolButton* Up;
    QToolButton* Down;
    QLineEdit* Field = nullptr;
    int Min = 0;
    int Max = 100;
    int Pos = 0;
    bool Wraps = false;
};

} // namespace corvalet
