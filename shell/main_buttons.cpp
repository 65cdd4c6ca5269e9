// The handlers of `Main` that show things or set the working size: the
// resize dialog, the magnifier lens, the help page, the example window and
// the software page. None of them changes a picture.
#include "shell/main_window.h"

#include "shell/example_window.h"
#include "shell/lens_view.h"
#include "shell/size_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBrowser>

namespace mergola {

void Main::connectButtons()
{
    connect(m_sizeKnop, &QPushButton::clicked, this, &Main::SizeKnop_Click);
    connect(m_loepKnop, &QPushButton::clicked, this, &Main::LoepKnop_Click);
    connect(m_helpKnop, &QPushButton::clicked, this, &Main::HelpKnop_Click);
    connect(m_exampleKnop, &QPushButton::clicked, this, &Main::ExampleKnop_Click);
    connect(m_softwareKnop, &QPushButton::clicked, this, &Main::SoftwareKnop_Click);
    // Links to other sites open in the user's browser; the page's own
    // links move within it.
    m_webBrowser->setOpenExternalLinks(true);
}

void Main::SizeKnop_Click()
{
    Sizeform sizeform(m_work.ResultWidth, m_work.ResultHeight, *m_services.messages, this);
    m_services.modals->exec(sizeform);
    if (sizeform.result() != QDialog::Accepted)
        return;
    // Only remembered: the pictures take the size at the next load or combine.
    m_work.ResultWidth = sizeform.resultWidth();
    m_work.ResultHeight = sizeform.resultHeight();
    m_maatLabel->setText(workingSizeText(m_work.ResultWidth, m_work.ResultHeight));
}

void Main::LoepKnop_Click()
{
    m_lens->toggle();
}

void Main::Timer1_Timer()
{
    m_lens->tick();
}

bool Main::lensOn() const
{
    return m_lens->LensOn();
}

void Main::HelpKnop_Click()
{
    const bool visible = !m_webBrowser->isHidden();
    if (!visible)
        showHelpPage();
    m_webBrowser->setVisible(!visible);
}

void Main::showHelpPage()
{
    // A language with a help page of its own names it here; it lies
    // beside help.htm.
    //: The file name of the help page in this language, beside help.htm.
    const QString name = tr("help.htm");
    const QString path = QFileInfo(m_services.files.helpPage).dir().filePath(name);
    if (!QFileInfo(path).isFile()) {
        m_webBrowser->setHtml(QStringLiteral("<p>%1</p>")
                                  .arg(tr("%1 not found in %2")
                                           .arg(name, QFileInfo(path).absolutePath().toHtmlEscaped())));
        return;
    }
    // Loaded afresh each time, so the page opens at its top and shows what
    // the file holds now.
    const QUrl page = QUrl::fromLocalFile(path);
    if (m_webBrowser->source() == page)
        m_webBrowser->reload();
    else
        m_webBrowser->setSource(page);
    m_webBrowser->verticalScrollBar()->setValue(0);
}

void Main::ExampleKnop_Click()
{
    Example example(m_work.Pict.image(), m_work.ResultWidth, m_work.ResultHeight, this);
    m_services.modals->exec(example);
}

QUrl Main::softwarePage()
{
    return QUrl(QStringLiteral("https://") + kMakerWebAddress);
}

void Main::SoftwareKnop_Click()
{
    m_services.webPages->open(softwarePage());
}

} // namespace mergola
