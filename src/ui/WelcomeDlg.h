#pragma once
// The first run's offer to open the example image: OK opens it, Cancel (also
// Escape and the close box) does not.

#include <QDialog>

class CWelcomeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CWelcomeDlg(QWidget* parent = nullptr);
};
