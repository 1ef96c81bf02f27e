#pragma once
// Help > About: the program's name, version and protocol revision. A local object
// of the About command, shown modally.

#include <QDialog>

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
