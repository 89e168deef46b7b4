#pragma once

#include "uImages.h"

#include <QSpinBox>
#include <QWidget>

#include <cstdint>

class QLabel;
class TplPrev;

// A box for whole numbers that takes no more than MaxLength characters.
class TNumberBox : public QSpinBox {
    Q_OBJECT
public:
    explicit TNumberBox(QWidget* Parent = nullptr);
    void SetMaxLength(int Length);
    int MaxLength() const;
};

// The main window: first and last sheet numbers, Print, Info.
class TFrmMain : public QWidget {
    Q_OBJECT
public:
    explicit TFrmMain(QWidget* Parent = nullptr);
    ~TFrmMain() override;

    QLabel* Label1;
    QLabel* Label2;
    TNumberBox* NumberBox1;
    TNumberBox* NumberBox2;
    TImageButton* bbPrint;
    TImageButton* bbInfo;
    TplPrev* plPrev1;
    TImageCollection ImageCollection;
    TVirtualImageList VirtualImageList{&ImageCollection, QSize(20, 20)};

    void FormCreate();
    void NumberBox1Change();
    void bbPrintClick();
    void bbInfoClick();

private:
    void ApplyTheme();
    // Generates the sheets Start..End and records their pages in plPrev1.
    void DrawSheets(int Start, int End);

    int32_t bHeight = 0;
};

extern TFrmMain* FrmMain;
