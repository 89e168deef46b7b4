#pragma once

#include <QIcon>
#include <QImage>
#include <QMap>
#include <QPushButton>
#include <QSize>
#include <QString>
#include <QStringList>

#include <initializer_list>

// Makes the program's own images (":/rcdata/...") available; safe to call
// more than once.
void InitImageResources();

// Named images, each held at several pixel sizes.
class TImageCollection {
public:
    // Loads the PNG resources "<Name>_<size>" for every size. True when all
    // of them loaded; the sizes that did load are kept either way.
    bool Add(const QString& Name, std::initializer_list<int> Sizes);
    bool Contains(const QString& Name) const { return FImages.contains(Name); }
    QStringList Names() const { return FImages.keys(); }
    // The sizes held for a name, smallest first.
    QList<QImage> Images(const QString& Name) const { return FImages.value(Name); }

private:
    QMap<QString, QList<QImage>> FImages;
};

// Presents a collection's images at one size under the same names; the icon
// it hands out picks the best held size for the display's scale.
class TVirtualImageList {
public:
    TVirtualImageList(const TImageCollection* Collection, QSize Size) : FCollection(Collection), FSize(Size) {}
    QSize Size() const { return FSize; }
    // A null icon for a name the collection does not hold.
    QIcon Icon(const QString& Name) const;

private:
    const TImageCollection* FCollection;
    QSize FSize;
};

// A push button that shows an image of an image list by name.
class TImageButton : public QPushButton {
    Q_OBJECT
public:
    explicit TImageButton(QWidget* Parent = nullptr) : QPushButton(Parent) {}
    void SetImages(const TVirtualImageList* Images);
    QString ImageName() const { return FImageName; }
    // Shows the named image; a name the list lacks shows no image.
    void SetImageName(const QString& Name);

private:
    void UpdateIcon();
    const TVirtualImageList* FImages = nullptr;
    QString FImageName;
};
