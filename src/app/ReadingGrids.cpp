#include "app/ReadingGrids.h"

#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "app/BoxEdit.h"
#include "app/BoxMirror.h"
#include "app/Lamp.h"
#include "app/Look.h"
#include "app/Twips.h"
#include "core/Receiver.h"

namespace ravo::app {
namespace {

// Rows lie 360 twips apart from 2400 down; cells are 330 high; headers at 2160.
constexpr int kFirstRowTop = 2400;
constexpr int kRowPitch = 360;
constexpr int kCellHeight = 330;
constexpr int kHeaderTop = 2160;
constexpr int kHeaderHeight = 240;
constexpr int kPanelTop = 2040;
constexpr int kPanelBottom = 9735;

struct Column {
    Field field;
    const char* header;  // nullptr: no header of its own
    int left, width;
    bool editable;
    Colour back;
};

constexpr Colour kLightOrange = rgb(0xFF, 0xC0, 0x80);
constexpr Colour kPaleOrange = rgb(0xFF, 0xE0, 0xC0);
constexpr Colour kLightGreen = rgb(0xC0, 0xFF, 0xC0);
constexpr Colour kLightBlue = rgb(0xC0, 0xC0, 0xFF);
constexpr Colour kWhite = rgb(0xFF, 0xFF, 0xFF);

constexpr Column kPulseColumns[] = {
    {Field::txttx, "Tx. No", 480, 1215, true, kLightOrange},
    {Field::txtslevel, "S Level", 1800, 855, false, kLightOrange},
    {Field::txtlog, "Received Time", 2760, 1815, false, kLightOrange},
    {Field::txtcount, "Value 1", 4680, 1935, false, kLightOrange},
    {Field::txtzero, "Value 2", 6720, 1455, true, kPaleOrange},
};

constexpr Column kTempColumns[] = {
    {Field::txttempadd, "Tx. No", 8880, 1215, true, kLightGreen},
    {Field::txttempslevel, "S Level", 10200, 855, false, kLightGreen},
    {Field::txtemprx, "Received Time", 11160, 1695, false, kLightGreen},
    {Field::txttemp1, nullptr, 12960, 1695, false, kLightGreen},  // two-part header, below
    {Field::txttemp2, "Temperature 2", 14760, 1695, false, kLightGreen},
};

QString rowName(Field f, int row) {
    return QStringLiteral("%1[%2]").arg(QString::fromLatin1(ScreenModel::fieldName(f))).arg(row);
}

QFrame* panel(QWidget* content, const Twips& tw, int left, int right, Colour back) {
    auto* p = new QFrame(content);
    p->setGeometry(tw.rect(left, kPanelTop, right - left, kPanelBottom - kPanelTop));
    setBack(p, qcolour(back));
    return p;
}

QLabel* header(QWidget* content, const Twips& tw, const QString& text, int left, int width) {
    auto* l = new QLabel(text, content);
    l->setFont(sansFont(8.25, true));
    l->setGeometry(tw.rect(left, kHeaderTop, width, kHeaderHeight));
    return l;
}

// One grid cell of a column, at its row's place, mirrored from the model.
BoxEdit* makeCell(BoxMirror& mirror, const Twips& tw, QWidget* content, const Column& c, int row) {
    auto* e = new BoxEdit(content);
    e->setObjectName(rowName(c.field, row));
    e->setFont(sansFont(9.75, true));
    e->setGeometry(tw.rect(c.left, kFirstRowTop + kRowPitch * row, c.width, kCellHeight));
    e->setTextMargins(1, 0, 1, 0);
    e->setReadOnly(!c.editable);
    setBack(e, qcolour(c.back));
    mirror.bind({c.field, row}, e);
    return e;
}

}  // namespace

ReadingGrids::ReadingGrids(Receiver& rx, BoxMirror& mirror, const Twips& tw, QWidget* content)
    : QObject(content), rx_(rx), mirror_(mirror) {
    buildPulseGrid(tw, content);
    buildTempGrid(tw, content);
    buildButtons(tw, content);
}

void ReadingGrids::buildPulseGrid(const Twips& tw, QWidget* content) {
    panel(content, tw, 240, 8415, kWhite)->setObjectName("pulsePanel");
    for (const Column& c : kPulseColumns) {
        header(content, tw, QString::fromLatin1(c.header), c.left, c.width);
        for (int row = 0; row < kGridRows; ++row) {
            makeCell(mirror_, tw, content, c, row);
        }
    }
}

void ReadingGrids::buildTempGrid(const Twips& tw, QWidget* content) {
    panel(content, tw, 8640, 17175, kLightBlue)->setObjectName("tempPanel");
    for (const Column& c : kTempColumns) {
        if (c.header) header(content, tw, QString::fromLatin1(c.header), c.left, c.width);
        for (int row = 0; row < kGridRows; ++row) {
            BoxEdit* e = makeCell(mirror_, tw, content, c, row);
            if (c.field == Field::txttempadd)
                connect(e, &BoxEdit::doubleClicked, this, [this, row] { emit tempAddressDoubleClicked(row); });
        }
    }
    // "Temp 1 /" with "Humidity" in red after it.
    QLabel* first = header(content, tw, QStringLiteral("Temp 1 /"), 12960, 1695);
    first->setObjectName("hdrTemp1");
    const int gap = QFontMetrics(first->font()).horizontalAdvance(QLatin1Char(' '));
    const int firstWidth = QFontMetrics(first->font()).horizontalAdvance(first->text());
    QLabel* humidity = header(content, tw, QStringLiteral("Humidity"), 12960, 1695);
    humidity->setObjectName("hdrHumidity");
    humidity->move(first->x() + firstWidth + gap, first->y());
    humidity->resize(first->width() - firstWidth - gap, first->height());
    setFore(humidity, Qt::red);

    for (int row = 0; row < kGridRows; ++row) {
        auto* lamp = new Lamp(content);
        lamp->setObjectName(rowName(Field::txttempadd, row).replace("txttempadd", "shp_tempstat"));
        lamp->setGeometry(tw.rect(16560, kFirstRowTop + kRowPitch * row + (kCellHeight - 255) / 2, 375, 255));
        lamps_[static_cast<size_t>(row)] = lamp;
        showLamp(row);
    }
}

void ReadingGrids::buildButtons(const Twips& tw, QWidget* content) {
    auto button = [&](const char* name, const char* caption, QRect where) {
        auto* b = new QPushButton(QString::fromLatin1(caption), content);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(where);
        connect(b, &QPushButton::clicked, this, [this, name] { rx_.click(name); });
    };
    button("cmdseqadd", "Sequential Address", tw.rect(480, 1620, 1815, 375));
    button("btClear", "Clear Entries", tw.rect(2520, 1620, 1455, 375));
    button("cmdseqtempadd", "Sequential Address", tw.rect(8880, 1620, 1815, 375));
}

void ReadingGrids::showLamp(int row) { lamps_[static_cast<size_t>(row)]->setLit(rx_.screen().lamp(row)); }

}  // namespace ravo::app
