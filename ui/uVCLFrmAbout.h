#pragma once

#include <QDialog>
#include <QImage>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

// The about box: program icon, name and version, the product page as a link,
// and the maker. Created once, hidden; Execute prepares and shows it.
class TVCLFrmAbout : public QDialog {
    Q_OBJECT
public:
    explicit TVCLFrmAbout(QWidget* AOwner = nullptr);
    ~TVCLFrmAbout() override;

    // Reloads the icon, applies the look, the link's text and the name line,
    // then shows the box modally. Returns the dialog's result.
    int Execute();

    // The product pages by language.
    static inline const QString URLJapanese = QStringLiteral("https://mirvak.example.org/ja/");
    static inline const QString URLEnglish = QStringLiteral("https://mirvak.example.org/en/");

    QWidget* Panel1;
    QLabel* Image1;
    QLabel* lbAppName;
    QLabel* lbURL;
    QLabel* lbMaker;
    QPushButton* btOK;

    // The picture Image1 shows.
    QImage Image1Bitmap;

    void lbURLClick();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;
};

// The program's about box, created hidden at start.
extern TVCLFrmAbout* VCLFrmAbout;
