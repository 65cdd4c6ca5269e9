// The resize dialog `Sizeform`: sets the working size W x H. It shows W
// and H in two number boxes of four digits; "Ok" takes them (leading zeros
// dropped, 0 allowed) unless a box is empty, which it reports and sends
// the focus there; "Cancel" and the close box change nothing. The dialog
// rescales nothing itself: the caller applies the size it accepted.
#pragma once

#include <QDialog>

class QLineEdit;

namespace mergola {

class MessageBox;

class Sizeform : public QDialog {
    Q_OBJECT
public:
    // The client area: the dialog's classic 300 x 160 outer size less the
    // frame the window manager adds, as for the main window.
    static constexpr QSize kClientSize{294, 134};

    Sizeform(int resultWidth, int resultHeight, MessageBox &messages, QWidget *parent = nullptr);

    // The size taken by "Ok"; the size it opened with until then.
    int resultWidth() const { return m_width; }
    int resultHeight() const { return m_height; }

    void OkKnop_Click();
    void CancelKnop_Click();

private:
    int m_width;
    int m_height;
    MessageBox &m_messages;
    QLineEdit *m_text1 = nullptr;
    QLineEdit *m_text2 = nullptr;
};

} // namespace mergola
