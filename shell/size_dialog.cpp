#include "shell/size_dialog.h"

#include "platform/defaults.h"
#include "platform/services.h"
#include "shell/artwork.h"
#include "shell/number_box.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace mergola {

namespace {

constexpr QRgb kBoxBackground = qRgb(190, 240, 220);

QLineEdit *numberBox(QWidget *parent, const char *name, QRect geometry, int value)
{
    auto *box = new QLineEdit(QString::number(value), parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(geometry);
    QPalette palette = box->palette();
    palette.setColor(QPalette::Base, QColor(kBoxBackground));
    box->setPalette(palette);
    return box;
}

QLabel *label(QWidget *parent, const char *name, QPoint at, const QString &text)
{
    auto *caption = new QLabel(text, parent);
    caption->setObjectName(QLatin1String(name));
    caption->move(at);
    caption->adjustSize();
    return caption;
}

QPushButton *knop(QWidget *parent, const char *name, QRect geometry, const QString &caption)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

} // namespace

Sizeform::Sizeform(int resultWidth, int resultHeight, MessageBox &messages, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      m_width(resultWidth), m_height(resultHeight), m_messages(messages)
{
    setObjectName(QStringLiteral("Sizeform"));
    setWindowTitle(tr(" Size pictures"));
    setFont(controlFont());
    setFixedSize(kClientSize);

    auto *frame1 = new QFrame(this);
    frame1->setObjectName(QStringLiteral("Frame1"));
    frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    frame1->setGeometry(4, -2, 285, 132);

    m_text1 = numberBox(frame1, "Text1", QRect(10, 20, 60, 20), m_width);
    m_text2 = numberBox(frame1, "Text2", QRect(10, 46, 60, 20), m_height);
    // Each box goes back to the size the dialog opened with, not to what
    // was typed since.
    new NumberBox(*m_text1, kWorkingSideDigits, [this] { return m_width; }, this);
    new NumberBox(*m_text2, kWorkingSideDigits, [this] { return m_height; }, this);
    label(frame1, "Label1", QPoint(74, 24), tr("Breedte"));
    label(frame1, "Label2", QPoint(74, 50), tr("Hoogte"));
    QLabel *label4 = label(frame1, "Label4", QPoint(130, 24),
                           tr("Vul de breedte en de hoogte in pixels die de nieuwe foto of plaatje "
                              "uiteindelijk moet krijgen."));
    label4->setWordWrap(true);
    label4->setGeometry(130, 24, 146, 60);
    label4->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto *image1 = new QLabel(frame1);
    image1->setObjectName(QStringLiteral("Image1"));
    image1->setPixmap(mergola::windowIcon().pixmap(kIconSize));
    image1->move(24, 86);
    image1->adjustSize();

    connect(knop(frame1, "CancelKnop", QRect(176, 102, 50, 22), tr("Cancel")), &QPushButton::clicked,
            this, &Sizeform::CancelKnop_Click);
    connect(knop(frame1, "OkKnop", QRect(226, 102, 50, 22), tr("Ok")), &QPushButton::clicked, this,
            &Sizeform::OkKnop_Click);
}

void Sizeform::OkKnop_Click()
{
    const QString width = m_text1->text().trimmed();
    if (width.isEmpty()) {
        m_messages.show(tr("Breedte invullen a.u.b."));
        m_text1->setFocus();
        return;
    }
    const QString height = m_text2->text().trimmed();
    if (height.isEmpty()) {
        m_messages.show(tr("Hoogte invullen a.u.b."));
        m_text2->setFocus();
        return;
    }
    // Four digits at most, so the numbers always fit; "0640" is 640.
    m_width = width.toInt();
    m_height = height.toInt();
    accept();
}

void Sizeform::CancelKnop_Click()
{
    reject();
}

} // namespace mergola
