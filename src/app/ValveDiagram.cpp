#include "app/ValveDiagram.h"

#include <QPainter>
#include <QPainterPath>

const std::array<TValvePoint, 7> ValveCentres = {
    {{0, 0}, {301, 253}, {301, 105}, {933, 121}, {199, 105}, {903, 96}, {903, 54}}};

namespace {
struct TBar
{
  QPoint openFrom, openTo, closedFrom, closedTo;
};
const TBar Bars[7] = {
    {},
    {{301, 242}, {301, 260}, {291, 252}, {309, 252}},
    {{301, 113}, {301, 95}, {291, 105}, {309, 105}},
    {{933, 129}, {933, 111}, {924, 121}, {942, 121}},
    {{199, 113}, {199, 95}, {189, 104}, {207, 104}},
    {{893, 96}, {912, 96}, {903, 104}, {903, 86}},
    {{893, 54}, {912, 54}, {903, 44}, {903, 62}},
};

const QColor Black(0, 0, 0);
const QColor White(255, 255, 255);

// A 2-pixel pipe covering the rows (or columns) a and a + 1.
void HPipe(QPainter& p, int x1, int x2, int y)
{
  p.fillRect(QRect(QPoint(std::min(x1, x2), y), QPoint(std::max(x1, x2), y + 1)), Black);
}
void VPipe(QPainter& p, int x, int y1, int y2)
{
  p.fillRect(QRect(QPoint(x, std::min(y1, y2)), QPoint(x + 1, std::max(y1, y2))), Black);
}

void Ring(QPainter& p, QPointF centre, double outerRadius, double width, const QColor& inside)
{
  p.setPen(Qt::NoPen);
  p.setBrush(Black);
  p.drawEllipse(centre, outerRadius, outerRadius);
  p.setBrush(inside);
  p.drawEllipse(centre, outerRadius - width, outerRadius - width);
}

void Box(QPainter& p, const QRect& r, const QColor& fill, const QString& text, const QColor& ink)
{
  p.setPen(QPen(Black, 1));
  p.setBrush(fill);
  p.drawRect(r);
  p.setPen(ink);
  p.drawText(r, Qt::AlignCenter, text);
}
} // namespace

QImage DrawValveDiagram()
{
  QImage img(ValveDiagramWidth, ValveDiagramHeight, QImage::Format_RGB888);
  img.fill(White);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, false);
  QFont font(QStringLiteral("Tahoma"));
  font.setPixelSize(13);
  font.setBold(true);
  p.setFont(font);

  // Inlets and the gas boxes.
  HPipe(p, 24, 55, 73);
  HPipe(p, 30, 57, 279);
  Box(p, QRect(QPoint(55, 52), QPoint(163, 97)), QColor(0xC0, 0x50, 0x4E), QStringLiteral("Gas A"),
      White);
  Box(p, QRect(QPoint(57, 258), QPoint(163, 300)), QColor(0x4F, 0x81, 0xBC),
      QStringLiteral("Gas B"), White);

  // Main line through the chambers, then split to valve 6 (above) and valve 5.
  HPipe(p, 164, 401, 74);
  HPipe(p, 540, 558, 74);
  HPipe(p, 697, 712, 74);
  HPipe(p, 851, 880, 74);
  VPipe(p, 879, 53, 96);
  HPipe(p, 879, 963, 53);
  HPipe(p, 879, 963, 95);
  QFont chamberFont = font;
  chamberFont.setBold(false);
  p.setFont(chamberFont);
  for (auto [x1, x2, name] : {std::tuple{401, 540, "Chamber 1"}, std::tuple{558, 697, "Chamber 2"},
                              std::tuple{712, 851, "Chamber n"}})
    Box(p, QRect(QPoint(x1, 20), QPoint(x2, 123)), QColor(0xF2, 0xF2, 0xF2),
        QString::fromLatin1(name), Black);

  // Gas B line, turning up through valve 3 to the outlet branch of valve 5.
  HPipe(p, 164, 933, 279);
  VPipe(p, 932, 96, 280);
  // Dry path through valve 4; wet path through valve 1, the bubbler and valve 2.
  VPipe(p, 198, 75, 279);
  VPipe(p, 300, 75, 279);

  // The bubbler with its water.
  const QRect bubbler(QPoint(235, 132), QPoint(375, 222));
  p.setPen(QPen(Black, 2));
  p.setBrush(White);
  p.drawRect(bubbler);
  p.fillRect(QRect(QPoint(237, 170), QPoint(373, 220)), QColor(0x1F, 0x3A, 0x93));
  p.setPen(Black);
  p.drawText(QRect(QPoint(237, 134), QPoint(373, 168)), Qt::AlignCenter,
             QStringLiteral("Distilled water"));

  // Inlet and outlet rings.
  for (QPointF c : {QPointF(24, 74), QPointF(30, 280), QPointF(973, 51), QPointF(973, 96)})
    Ring(p, c, 10, 3, QColor(0x80, 0x80, 0x80));
  p.setFont(font);
  p.setPen(Black);
  p.drawText(QRect(943, 18, 60, 20), Qt::AlignCenter, QStringLiteral("Vent"));
  p.drawText(QRect(943, 108, 60, 20), Qt::AlignCenter, QStringLiteral("App"));

  // The valves: black rings, white inside, numbers in bold blue.
  p.setPen(QColor(0x12, 0x12, 0xFF));
  for (unsigned id = 1; id <= 6; ++id) {
    const TValvePoint c = ValveCentres[id];
    Ring(p, QPointF(c.x + 0.5, c.y + 0.5), 13, 4, White);
    p.setPen(QColor(0x12, 0x12, 0xFF));
    const QRect label = (id == 5 || id == 6) ? QRect(c.x - 8, c.y - 30, 16, 16)
                        : id == 3            ? QRect(c.x - 30, c.y + 2, 16, 16)
                                             : QRect(c.x + 15, c.y - 20, 16, 16);
    p.drawText(label, Qt::AlignCenter, QString::number(id));
  }
  p.end();
  return img;
}

void DrawValveBar(QImage& Picture, unsigned ID, bool Open)
{
  if (ID < 1 || ID > 6) return;
  const TBar& bar = Bars[ID];
  QPainter p(&Picture);
  p.setRenderHint(QPainter::Antialiasing, false);
  QPen pen(White, 2, Qt::SolidLine, Qt::FlatCap);
  p.setPen(pen);
  if (Open)
    p.drawLine(bar.closedFrom, bar.closedTo);
  else
    p.drawLine(bar.openFrom, bar.openTo);
  pen.setColor(Black);
  p.setPen(pen);
  if (Open)
    p.drawLine(bar.openFrom, bar.openTo);
  else
    p.drawLine(bar.closedFrom, bar.closedTo);
}

uint8_t ValveMask(int iV1O, int iV2O, int iV3O, int iV4O, int iV5O, int iV6O)
{
  return uint8_t((iV1O ? 1 : 0) + 2 * (iV2O ? 1 : 0) + 4 * (iV3O ? 1 : 0) + 8 * (iV4O ? 1 : 0) +
                 16 * (iV5O ? 1 : 0) + 32 * (iV6O ? 1 : 0));
}

uint8_t ValveMask(const TValveLineUp& L)
{
  return ValveMask(L.Open[0], L.Open[1], L.Open[2], L.Open[3], L.Open[4], L.Open[5]);
}

namespace ValveLineUp {
const TValveLineUp AllClosed = {"all closed", {0, 0, 0, 0, 0, 0}};
const TValveLineUp BypassLine = {"bypass line", {0, 0, 1, 0, 0, 0}};
const TValveLineUp FlushWet = {"bubbler and chambers", {1, 1, 0, 0, 0, 1}};
const TValveLineUp FlushDry = {"chambers with dry gas", {0, 0, 0, 1, 0, 1}};
const TValveLineUp DryDilution = {"dry dilution", {0, 0, 0, 1, 1, 0}};
const TValveLineUp Wet = {"wet pulse", {1, 1, 0, 0, 1, 0}};
const TValveLineUp Dry = {"dry pulse", {0, 0, 0, 1, 1, 0}};
} // namespace ValveLineUp
