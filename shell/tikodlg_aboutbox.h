#pragma once
// The help box "표준시 정보": the start of the help file in a read-only text field.

#include <QDialog>
#include <filesystem>

class QPlainTextEdit;
class QPushButton;

class CTikoDlg_AboutBox : public QDialog {
    Q_OBJECT

public:
    // `helpFile`: "TIKo.hlp" of the working directory unless a test names another.
    explicit CTikoDlg_AboutBox(QWidget* parent = nullptr, std::filesystem::path helpFile = {});

    QString HelpText() const;
    QPushButton* OkButton() const { return ok_; }

protected:
    // Placed by its caller, then kept inside the screen.
    void showEvent(QShowEvent* event) override;

private:
    QPlainTextEdit* text_;
    QPushButton* ok_;
};
