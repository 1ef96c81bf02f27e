#include "ui/PrefSht.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/DialogRunner.h"
#include "ui/DialogUnits.h"
#include "ui/ShellStrings.h"

CPrefSht::CPrefSht(const QString& caption, QWidget* parent, int selectPage, DialogRunner* runner)
    : QDialog(parent), m_runner(runner) {
    setWindowTitle(caption);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setModal(true);
    setFont(DialogFont());
    const DialogBaseUnits units = DialogBaseUnits::Of(font());

    m_tabs = new QTabWidget(this);
    m_tabs->addTab(&m_pagePreview, m_pagePreview.windowTitle());
    m_tabs->setCurrentIndex(selectPage);

    const QSize buttonSize = units.ToPixels(QSize(50, 14));
    auto makeButton = [&](const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setFixedSize(buttonSize);
        button->setAutoDefault(false);
        return button;
    };
    m_ok = makeButton(QStringLiteral("OK"));
    m_ok->setDefault(true);
    m_cancel = makeButton(QStringLiteral("Cancel"));
    m_apply = makeButton(QStringLiteral("&Apply"));
    m_apply->setEnabled(false);
    connect(m_ok, &QPushButton::clicked, this, &CPrefSht::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(units.ToPixelsX(6));
    buttons->addStretch(1);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_apply);

    auto* layout = new QVBoxLayout(this);
    const int marginX = units.ToPixelsX(7);
    const int marginY = units.ToPixelsY(7);
    layout->setContentsMargins(marginX, marginY, marginX, marginY);
    layout->setSpacing(marginY);
    layout->addWidget(m_tabs);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CPrefSht::accept() {
    QLineEdit* failed = nullptr;
    if (!m_pagePreview.DoDataExchange(true, &failed)) {
        QMessageBox refusal(QMessageBox::Warning, QString::fromLatin1(ShellText::kAppTitle),
                            QStringLiteral("Please enter an integer."), QMessageBox::Ok, this);
        if (m_runner)
            m_runner->RunModal(refusal);
        else
            refusal.exec();
        failed->setFocus(Qt::OtherFocusReason);
        failed->selectAll();
        return;
    }
    QDialog::accept();
}
