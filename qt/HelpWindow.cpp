#include "qt/HelpWindow.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget* parent) : QDialog(parent), browser(new QTextBrowser(this))
{
    setWindowTitle(QStringLiteral("Morvel2 Standalone Editor Help"));
    browser->setSearchPaths({QStringLiteral(":/help")});
    browser->setOpenExternalLinks(true);
    auto* buttons = new QDialogButtonBox(this);
    auto* contents = buttons->addButton(QStringLiteral("&Contents"), QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    connect(contents, &QPushButton::clicked, this, &HelpWindow::ShowContents);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    resize(560, 520);
}

void HelpWindow::ShowContents()
{
    browser->setSource(QUrl(QStringLiteral("qrc:/help/index.html")));
}
