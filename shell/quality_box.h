// The JPG quality box `Text1`: two digits at most, and the stored quality
// always equals the number in the box. Any typed character other than a
// digit (Backspace and other control characters included) is thrown away
// and the box goes back to the stored quality. An emptied box (the Delete
// key) counts as 0.
#pragma once

#include <QObject>

class QLineEdit;

namespace mergola {

class QualityBox : public QObject {
    Q_OBJECT
public:
    QualityBox(QLineEdit &box, int &jpgQuality, QObject *parent = nullptr);

private:
    int &m_quality;
};

} // namespace mergola
