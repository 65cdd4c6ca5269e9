// The key rule of the program's number boxes (the JPG quality, the width
// and the height of the resize dialog): only the digits 0 to 9 are typed
// in. Any other character, Backspace and other control characters
// included, is thrown away and the box's whole text goes back to its
// stored value. Keys that type nothing (arrows, Delete, Tab) keep their
// usual meaning, so a box can still be emptied with Delete. While the box
// has the focus, the window's shortcuts do not take its keys.
#pragma once

#include <QObject>

#include <functional>

class QLineEdit;

namespace mergola {

class NumberBox : public QObject {
    Q_OBJECT
public:
    // storedValue is asked at each rejected key, so it may change meanwhile.
    NumberBox(QLineEdit &box, int maxDigits, std::function<int()> storedValue, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit &m_box;
    std::function<int()> m_storedValue;
};

} // namespace mergola
