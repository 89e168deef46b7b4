#include "uImages.h"

#include "uUtils.h"

#include <QPixmap>

#include <algorithm>

void InitImageResources()
{
    static const bool done = [] {
        Q_INIT_RESOURCE(uImages);
        return true;
    }();
    (void)done;
}

bool TImageCollection::Add(const QString& Name, std::initializer_list<int> Sizes)
{
    InitImageResources();
    QList<QImage> images;
    bool all = true;
    for (int size : Sizes) {
        QImage image;
        if (LoadPngResource(QStringLiteral("%1_%2").arg(Name).arg(size), image))
            images.append(image);
        else
            all = false;
    }
    std::sort(images.begin(), images.end(), [](const QImage& a, const QImage& b) { return a.width() < b.width(); });
    if (!images.isEmpty())
        FImages.insert(Name, images);
    return all;
}

QIcon TVirtualImageList::Icon(const QString& Name) const
{
    QIcon icon;
    if (!FCollection)
        return icon;
    for (const QImage& image : FCollection->Images(Name))
        icon.addPixmap(QPixmap::fromImage(image));
    return icon;
}

void TImageButton::SetImages(const TVirtualImageList* Images)
{
    FImages = Images;
    UpdateIcon();
}

void TImageButton::SetImageName(const QString& Name)
{
    FImageName = Name;
    UpdateIcon();
}

void TImageButton::UpdateIcon()
{
    if (!FImages) {
        setIcon(QIcon());
        return;
    }
    setIconSize(FImages->Size());
    setIcon(FImages->Icon(FImageName));
}
