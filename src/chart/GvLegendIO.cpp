// The saved forms of a legend: binary stream, XML element and ini section.
//
// Stream form (little-endian; strings, references, colours and style blocks
// as everywhere in the saved charts):
//   legend reference, parent reference (strings); Visible byte; Hint string;
//   ParentShowHint, ShowHint, Position bytes; graph reference; Top, Left
//   int32; AutoSize byte; Width, Height int32; effective item height,
//   ItemWidth float32; items text colour, BackColor uint32;
//   LegendCaptionColorFrom, ItemsOrder bytes; Rows, Columns int32; the line
//   count of ItemsOrderList (int32) and the lines; Font block; Frame line
//   block; CornerRounding, DistanceItemCaption, DistanceBetweenLines,
//   DistanceBetweenColumns, DistanceToBorder float32; CaptionVisible byte;
//   Caption string; CaptionAlignment byte; caption colour uint32;
//   CaptionDistanceBefore, CaptionDistanceAfter float32; CaptionFont block;
//   1; DropShadow byte; BackgroundGradient block; 0.
//
// The stream form is the table that other readers of these files expect: the
// set item height, the raised and lowered border and the keys that start
// dragging are not part of it (they keep their values when a stream is
// read). The XML and ini forms carry them by name. A stream with the group
// that an earlier version wrote after the gradient (1; ItemHeight float32;
// BorderRaised, BorderLowered bytes; StartFreeFloatingMovingKeys uint16; 0)
// still reads, those values included.
//
// The whole form is read into a TGvLegendForm and checked before anything is
// applied; values then go through the setters (0 or fewer rows or columns
// become 1), the item height read goes to the effective item height (the
// next layout works it out again), and the items order list keeps each line
// once. The parent is the legend's owner, which its reference names; the
// parent read is not applied.
#include "chart/GvLegend.h"

#include "chart/GvIO.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <memory>

namespace {

using namespace GvForms;

template <class T> std::unique_ptr<T> Copy(const T& S)
{
  auto C = std::make_unique<T>();
  C->Assign(S);
  return C;
}

// No coordinate from a file may be huge.
constexpr int MaxExtent = 32767;

constexpr int PositionCount = 11, ItemsOrderCount = 2, ColorFromCount = 3, AlignmentCount = 3;

} // namespace

struct TGvLegendForm
{
  QString Parent;
  bool Visible;
  QString Hint;
  bool ParentShowHint, ShowHint;
  int Position;
  QString Graph;
  int Top, Left;
  bool AutoSize;
  int Width, Height;
  float EffectiveItemHeight, ItemWidth;
  TGvColor ForeColor, BackColor;
  int CaptionColorFrom, ItemsOrder;
  int Rows, Columns;
  QStringList ItemsOrderList;
  std::unique_ptr<TGvFont> Font;
  std::unique_ptr<TGvLineSettings> Frame;
  float CornerRounding, DistanceItemCaption, DistanceBetweenLines, DistanceBetweenColumns,
      DistanceToBorder;
  bool CaptionVisible;
  QString Caption;
  int CaptionAlignment;
  TGvColor CaptionColor;
  float CaptionDistanceBefore, CaptionDistanceAfter;
  std::unique_ptr<TGvFont> CaptionFont;
  bool DropShadow;
  std::unique_ptr<TGvGradientSettings> Gradient;
  float ItemHeight;
  bool BorderRaised, BorderLowered;
  int MovingKeys;

  explicit TGvLegendForm(const TGvCustomLegend& L)
      : Parent(RefOf(L.parent())), Visible(L.Visible()), Hint(L.Hint()),
        ParentShowHint(L.ParentShowHint()), ShowHint(L.ShowHint()),
        Position(int(TGvLegendPosition::FreeFloating)), Top(L.Top()), Left(L.Left()),
        AutoSize(L.AutoSize()), Width(L.Width()), Height(L.Height()),
        EffectiveItemHeight(L.EffectiveItemHeight()), ItemWidth(L.ItemWidth()),
        ForeColor(L.ForeColor()), BackColor(L.BackColor()),
        CaptionColorFrom(int(TGvLegendCaptionColorFrom::LegendForeColor)),
        ItemsOrder(int(L.ItemsOrder())), Rows(L.Rows()), Columns(L.Columns()),
        Font(Copy(*L.Font())), Frame(Copy(*L.Frame())), CornerRounding(L.CornerRounding()),
        DistanceItemCaption(L.DistanceItemCaption()),
        DistanceBetweenLines(L.DistanceBetweenLines()),
        DistanceBetweenColumns(L.DistanceBetweenColumns()), DistanceToBorder(L.DistanceToBorder()),
        CaptionVisible(L.CaptionVisible()), Caption(L.Caption()),
        CaptionAlignment(int(L.CaptionAlignment())), CaptionColor(L.CaptionColor()),
        CaptionDistanceBefore(L.CaptionDistanceBefore()),
        CaptionDistanceAfter(L.CaptionDistanceAfter()), CaptionFont(Copy(*L.CaptionFont())),
        DropShadow(L.DropShadow()), Gradient(Copy(*L.BackgroundGradient())),
        ItemHeight(L.ItemHeight()), BorderRaised(L.BorderRaised()),
        BorderLowered(L.BorderLowered()), MovingKeys(int(GvGraphTypes::ssLeft))
  {
    if (const auto* G = qobject_cast<const TGvLegend*>(&L)) {
      Position = int(G->Position());
      Graph = RefOf(G->Graph());
      CaptionColorFrom = int(G->LegendCaptionColorFrom());
      ItemsOrderList = G->ItemsOrderList();
      MovingKeys = G->StartFreeFloatingMovingKeys().toInt();
    }
  }

  void Check() const
  {
    CheckedValue(Position, PositionCount, "position", "legend");
    CheckedValue(ItemsOrder, ItemsOrderCount, "items order", "legend");
    CheckedValue(CaptionColorFrom, ColorFromCount, "caption colour source", "legend");
    CheckedValue(CaptionAlignment, AlignmentCount, "caption alignment", "legend");
    if (MovingKeys < 0 || MovingKeys > 0xFFFF)
      throw EGvReadError(QStringLiteral("Invalid moving keys %1 in legend").arg(MovingKeys));
  }

  // ---- Stream ----

  void Write(TGvStreamWriter& W) const
  {
    W.WriteString(Parent);
    W.WriteBool(Visible);
    W.WriteString(Hint);
    W.WriteBool(ParentShowHint);
    W.WriteBool(ShowHint);
    W.WriteByte(uint8_t(Position));
    W.WriteString(Graph);
    W.WriteInt32(Top);
    W.WriteInt32(Left);
    W.WriteBool(AutoSize);
    W.WriteInt32(Width);
    W.WriteInt32(Height);
    W.WriteFloat32(EffectiveItemHeight);
    W.WriteFloat32(ItemWidth);
    W.WriteUInt32(ForeColor);
    W.WriteUInt32(BackColor);
    W.WriteByte(uint8_t(CaptionColorFrom));
    W.WriteByte(uint8_t(ItemsOrder));
    W.WriteInt32(Rows);
    W.WriteInt32(Columns);
    W.WriteInt32(int32_t(ItemsOrderList.size()));
    for (const QString& L : ItemsOrderList) W.WriteString(L);
    ToStream(W, *Font);
    ToStream(W, *Frame);
    for (float D : {CornerRounding, DistanceItemCaption, DistanceBetweenLines,
                    DistanceBetweenColumns, DistanceToBorder})
      W.WriteFloat32(D);
    W.WriteBool(CaptionVisible);
    EncodeToStream(W, Caption);
    W.WriteByte(uint8_t(CaptionAlignment));
    W.WriteUInt32(CaptionColor);
    W.WriteFloat32(CaptionDistanceBefore);
    W.WriteFloat32(CaptionDistanceAfter);
    ToStream(W, *CaptionFont);
    W.WriteByte(1);
    W.WriteBool(DropShadow);
    ToStream(W, *Gradient);
    W.WriteByte(0);
  }

  // From the parent reference on (the caller has read the legend's own).
  void Read(TGvStreamReader& R)
  {
    Parent = R.ReadString();
    Visible = R.ReadBool();
    Hint = R.ReadString();
    ParentShowHint = R.ReadBool();
    ShowHint = R.ReadBool();
    Position = R.ReadByte();
    Graph = R.ReadString();
    Top = R.ReadInt32();
    Left = R.ReadInt32();
    AutoSize = R.ReadBool();
    Width = R.ReadInt32();
    Height = R.ReadInt32();
    EffectiveItemHeight = R.ReadFloat32();
    ItemWidth = R.ReadFloat32();
    ForeColor = R.ReadUInt32();
    BackColor = R.ReadUInt32();
    CaptionColorFrom = R.ReadByte();
    ItemsOrder = R.ReadByte();
    Rows = R.ReadInt32();
    Columns = R.ReadInt32();
    // Each line takes its 4-byte length at least.
    const int32_t N = R.ReadCount(4);
    ItemsOrderList.clear();
    for (int32_t I = 0; I < N; ++I) ItemsOrderList << R.ReadString();
    FromStream(R, *Font);
    FromStream(R, *Frame);
    for (float* D : {&CornerRounding, &DistanceItemCaption, &DistanceBetweenLines,
                     &DistanceBetweenColumns, &DistanceToBorder})
      *D = R.ReadFloat32();
    CaptionVisible = R.ReadBool();
    Caption = DecodeFromStream(R);
    CaptionAlignment = R.ReadByte();
    CaptionColor = R.ReadUInt32();
    CaptionDistanceBefore = R.ReadFloat32();
    CaptionDistanceAfter = R.ReadFloat32();
    FromStream(R, *CaptionFont);
    if (R.ReadByte() == 0) return;
    DropShadow = R.ReadBool();
    FromStream(R, *Gradient);
    if (R.ReadByte() == 0) return;
    ItemHeight = R.ReadFloat32();
    BorderRaised = R.ReadBool();
    BorderLowered = R.ReadBool();
    MovingKeys = R.ReadUInt16();
    const uint8_t End = R.ReadByte();
    if (End != 0) throw EGvReadError(QStringLiteral("Unknown extension %1 in legend").arg(End));
  }

  // ---- XML ----

  void Write(QDomElement& E) const
  {
    QDomElement P = Child(E, "Properties");
    XmlWrite(P, Str("Parent"), Parent);
    XmlWrite(P, Str("Visible"), Visible);
    XmlWrite(P, Str("Hint"), Hint);
    XmlWrite(P, Str("ParentShowHint"), ParentShowHint);
    XmlWrite(P, Str("ShowHint"), ShowHint);
    XmlWrite(P, Str("Graph"), Graph);
    XmlWrite(P, Str("Position"), Position);
    if (Position == int(TGvLegendPosition::FreeFloating)) {
      XmlWrite(P, Str("Top"), Top);
      XmlWrite(P, Str("Left"), Left);
    }
    XmlWrite(P, Str("AutoSize"), AutoSize);
    if (!AutoSize) {
      XmlWrite(P, Str("Width"), Width);
      XmlWrite(P, Str("Height"), Height);
    }
    XmlWrite(P, Str("ItemHeight"), ItemHeight);
    XmlWrite(P, Str("ItemWidth"), ItemWidth);
    XmlWriteColor(P, Str("ForeColor"), ForeColor);
    XmlWriteColor(P, Str("BackColor"), BackColor);
    XmlWrite(P, Str("DropShadow"), DropShadow);
    XmlWrite(P, Str("LegendCaptionColorFrom"), CaptionColorFrom);
    XmlWrite(P, Str("ItemsOrder"), ItemsOrder);
    XmlWrite(P, Str("Rows"), Rows);
    XmlWrite(P, Str("Columns"), Columns);
    XmlWrite(P, Str("BorderRaised"), BorderRaised);
    XmlWrite(P, Str("BorderLowered"), BorderLowered);
    XmlWrite(P, Str("StartFreeFloatingMovingKeys"), MovingKeys);
    QDomElement L = Child(E, "ItemsOrderList");
    L.setAttribute(Str("Count"), int(ItemsOrderList.size()));
    for (const QString& Line : ItemsOrderList) {
      QDomElement I = Child(L, "Item");
      I.appendChild(E.ownerDocument().createTextNode(Line));
    }
    ToNode(E, Str("Font"), *Font);
    ToNode(E, Str("Frame"), *Frame);
    QDomElement D = Child(E, "Distances");
    XmlWrite(D, Str("CornerRounding"), CornerRounding);
    XmlWrite(D, Str("ItemCaption"), DistanceItemCaption);
    XmlWrite(D, Str("BetweenLines"), DistanceBetweenLines);
    XmlWrite(D, Str("BetweenColumns"), DistanceBetweenColumns);
    XmlWrite(D, Str("ToBorder"), DistanceToBorder);
    QDomElement C = Child(E, "Caption");
    XmlWrite(C, Str("Text"), Caption);
    XmlWrite(C, Str("Visible"), CaptionVisible);
    QDomElement CP = Child(C, "Properties");
    XmlWrite(CP, Str("Alignment"), CaptionAlignment);
    XmlWriteColor(CP, Str("Color"), CaptionColor);
    XmlWrite(CP, Str("DistanceBefore"), CaptionDistanceBefore);
    XmlWrite(CP, Str("DistanceAfter"), CaptionDistanceAfter);
    ToNode(CP, Str("Font"), *CaptionFont);
    ToNode(E, Str("Gradient"), *Gradient);
  }

  void Read(const QDomElement& E)
  {
    const QDomElement P = E.firstChildElement(Str("Properties"));
    XmlRead(P, Str("Parent"), Parent);
    XmlRead(P, Str("Visible"), Visible);
    XmlRead(P, Str("Hint"), Hint);
    XmlRead(P, Str("ParentShowHint"), ParentShowHint);
    XmlRead(P, Str("ShowHint"), ShowHint);
    XmlRead(P, Str("Graph"), Graph);
    XmlRead(P, Str("Position"), Position);
    XmlRead(P, Str("Top"), Top);
    XmlRead(P, Str("Left"), Left);
    XmlRead(P, Str("AutoSize"), AutoSize);
    XmlRead(P, Str("Width"), Width);
    XmlRead(P, Str("Height"), Height);
    XmlRead(P, Str("ItemHeight"), ItemHeight);
    XmlRead(P, Str("ItemWidth"), ItemWidth);
    XmlReadColor(P, Str("ForeColor"), ForeColor);
    XmlReadColor(P, Str("BackColor"), BackColor);
    XmlRead(P, Str("DropShadow"), DropShadow);
    XmlRead(P, Str("LegendCaptionColorFrom"), CaptionColorFrom);
    XmlRead(P, Str("ItemsOrder"), ItemsOrder);
    XmlRead(P, Str("Rows"), Rows);
    XmlRead(P, Str("Columns"), Columns);
    XmlRead(P, Str("BorderRaised"), BorderRaised);
    XmlRead(P, Str("BorderLowered"), BorderLowered);
    XmlRead(P, Str("StartFreeFloatingMovingKeys"), MovingKeys);
    const QDomElement L = E.firstChildElement(Str("ItemsOrderList"));
    if (!L.isNull()) {
      ItemsOrderList.clear();
      for (QDomElement I = L.firstChildElement(Str("Item")); !I.isNull();
           I = I.nextSiblingElement(Str("Item")))
        ItemsOrderList << I.text();
      int Count = int(ItemsOrderList.size());
      XmlRead(L, Str("Count"), Count);
      if (Count != ItemsOrderList.size())
        throw EGvReadError(QStringLiteral("Legend items order list: count %1 differs from the "
                                          "%2 items")
                               .arg(Count)
                               .arg(ItemsOrderList.size()));
    }
    FromNode(E, Str("Font"), *Font);
    FromNode(E, Str("Frame"), *Frame);
    const QDomElement D = E.firstChildElement(Str("Distances"));
    XmlRead(D, Str("CornerRounding"), CornerRounding);
    XmlRead(D, Str("ItemCaption"), DistanceItemCaption);
    XmlRead(D, Str("BetweenLines"), DistanceBetweenLines);
    XmlRead(D, Str("BetweenColumns"), DistanceBetweenColumns);
    XmlRead(D, Str("ToBorder"), DistanceToBorder);
    const QDomElement C = E.firstChildElement(Str("Caption"));
    XmlRead(C, Str("Text"), Caption);
    XmlRead(C, Str("Visible"), CaptionVisible);
    const QDomElement CP = C.firstChildElement(Str("Properties"));
    XmlRead(CP, Str("Alignment"), CaptionAlignment);
    XmlReadColor(CP, Str("Color"), CaptionColor);
    XmlRead(CP, Str("DistanceBefore"), CaptionDistanceBefore);
    XmlRead(CP, Str("DistanceAfter"), CaptionDistanceAfter);
    FromNode(CP, Str("Font"), *CaptionFont);
    FromNode(E, Str("Gradient"), *Gradient);
    // The layout works the effective height out from the set one.
    EffectiveItemHeight = ItemHeight;
  }

  // ---- Ini ----

  void Write(TGvIniFile& Ini, const QString& S) const
  {
    IniWriteText(Ini, S, Str("Parent"), Parent);
    Ini.WriteBool(S, Str("Visible"), Visible);
    IniWriteText(Ini, S, Str("Hint"), Hint);
    Ini.WriteBool(S, Str("ParentShowHint"), ParentShowHint);
    Ini.WriteBool(S, Str("ShowHint"), ShowHint);
    IniWriteText(Ini, S, Str("Graph"), Graph);
    Ini.WriteInteger(S, Str("Position"), Position);
    Ini.WriteInteger(S, Str("Top"), Top);
    Ini.WriteInteger(S, Str("Left"), Left);
    Ini.WriteBool(S, Str("AutoSize"), AutoSize);
    Ini.WriteInteger(S, Str("Width"), Width);
    Ini.WriteInteger(S, Str("Height"), Height);
    Ini.WriteSingle(S, Str("ItemHeight"), ItemHeight);
    Ini.WriteSingle(S, Str("ItemWidth"), ItemWidth);
    Ini.WriteColor(S, Str("ForeColor"), ForeColor);
    Ini.WriteColor(S, Str("BackColor"), BackColor);
    Ini.WriteBool(S, Str("DropShadow"), DropShadow);
    Ini.WriteInteger(S, Str("LegendCaptionColorFrom"), CaptionColorFrom);
    Ini.WriteInteger(S, Str("ItemsOrder"), ItemsOrder);
    Ini.WriteInteger(S, Str("Rows"), Rows);
    Ini.WriteInteger(S, Str("Columns"), Columns);
    Ini.WriteBool(S, Str("BorderRaised"), BorderRaised);
    Ini.WriteBool(S, Str("BorderLowered"), BorderLowered);
    Ini.WriteInteger(S, Str("StartFreeFloatingMovingKeys"), MovingKeys);
    Ini.WriteInteger(S, Str("ItemsOrderList.Count"), int(ItemsOrderList.size()));
    for (int I = 0; I < ItemsOrderList.size(); ++I)
      IniWriteText(Ini, S, QStringLiteral("ItemsOrderList(%1)").arg(I), ItemsOrderList[I]);
    ToIni(Ini, S, Str("Font"), *Font);
    ToIni(Ini, S, Str("Frame"), *Frame);
    Ini.WriteSingle(S, Str("Distances.CornerRounding"), CornerRounding);
    Ini.WriteSingle(S, Str("Distances.ItemCaption"), DistanceItemCaption);
    Ini.WriteSingle(S, Str("Distances.BetweenLines"), DistanceBetweenLines);
    Ini.WriteSingle(S, Str("Distances.BetweenColumns"), DistanceBetweenColumns);
    Ini.WriteSingle(S, Str("Distances.ToBorder"), DistanceToBorder);
    IniWriteText(Ini, S, Str("Caption"), Caption);
    Ini.WriteBool(S, Str("Caption.Visible"), CaptionVisible);
    Ini.WriteInteger(S, Str("Caption.Alignment"), CaptionAlignment);
    Ini.WriteColor(S, Str("Caption.Color"), CaptionColor);
    Ini.WriteSingle(S, Str("Caption.DistanceBefore"), CaptionDistanceBefore);
    Ini.WriteSingle(S, Str("Caption.DistanceAfter"), CaptionDistanceAfter);
    ToIni(Ini, S, Str("Caption.Font"), *CaptionFont);
    ToIni(Ini, S, Str("Gradient"), *Gradient);
  }

  void Read(const TGvIniFile& Ini, const QString& S)
  {
    IniRead(Ini, S, Str("Parent"), Parent);
    IniRead(Ini, S, Str("Visible"), Visible);
    IniRead(Ini, S, Str("Hint"), Hint);
    IniRead(Ini, S, Str("ParentShowHint"), ParentShowHint);
    IniRead(Ini, S, Str("ShowHint"), ShowHint);
    IniRead(Ini, S, Str("Graph"), Graph);
    IniRead(Ini, S, Str("Position"), Position);
    IniRead(Ini, S, Str("Top"), Top);
    IniRead(Ini, S, Str("Left"), Left);
    IniRead(Ini, S, Str("AutoSize"), AutoSize);
    IniRead(Ini, S, Str("Width"), Width);
    IniRead(Ini, S, Str("Height"), Height);
    IniRead(Ini, S, Str("ItemHeight"), ItemHeight);
    IniRead(Ini, S, Str("ItemWidth"), ItemWidth);
    IniReadColor(Ini, S, Str("ForeColor"), ForeColor);
    IniReadColor(Ini, S, Str("BackColor"), BackColor);
    IniRead(Ini, S, Str("DropShadow"), DropShadow);
    IniRead(Ini, S, Str("LegendCaptionColorFrom"), CaptionColorFrom);
    IniRead(Ini, S, Str("ItemsOrder"), ItemsOrder);
    IniRead(Ini, S, Str("Rows"), Rows);
    IniRead(Ini, S, Str("Columns"), Columns);
    IniRead(Ini, S, Str("BorderRaised"), BorderRaised);
    IniRead(Ini, S, Str("BorderLowered"), BorderLowered);
    IniRead(Ini, S, Str("StartFreeFloatingMovingKeys"), MovingKeys);
    if (Ini.ValueExists(S, Str("ItemsOrderList.Count"))) {
      int N = 0;
      IniRead(Ini, S, Str("ItemsOrderList.Count"), N);
      // Each line is a key of the section: a count beyond them is refused
      // before anything is read.
      if (N < 0 || N > Ini.Keys(S).size())
        throw EGvReadError(
            QStringLiteral("Invalid items order list count %1 in section [%2]").arg(N).arg(S));
      ItemsOrderList.clear();
      for (int I = 0; I < N; ++I) {
        const QString Key = QStringLiteral("ItemsOrderList(%1)").arg(I);
        if (!Ini.ValueExists(S, Key))
          throw EGvReadError(QStringLiteral("Key %1 not found in section [%2]").arg(Key, S));
        QString Line;
        IniRead(Ini, S, Key, Line);
        ItemsOrderList << Line;
      }
    }
    FromIni(Ini, S, Str("Font"), *Font);
    FromIni(Ini, S, Str("Frame"), *Frame);
    IniRead(Ini, S, Str("Distances.CornerRounding"), CornerRounding);
    IniRead(Ini, S, Str("Distances.ItemCaption"), DistanceItemCaption);
    IniRead(Ini, S, Str("Distances.BetweenLines"), DistanceBetweenLines);
    IniRead(Ini, S, Str("Distances.BetweenColumns"), DistanceBetweenColumns);
    IniRead(Ini, S, Str("Distances.ToBorder"), DistanceToBorder);
    IniRead(Ini, S, Str("Caption"), Caption);
    IniRead(Ini, S, Str("Caption.Visible"), CaptionVisible);
    IniRead(Ini, S, Str("Caption.Alignment"), CaptionAlignment);
    IniReadColor(Ini, S, Str("Caption.Color"), CaptionColor);
    IniRead(Ini, S, Str("Caption.DistanceBefore"), CaptionDistanceBefore);
    IniRead(Ini, S, Str("Caption.DistanceAfter"), CaptionDistanceAfter);
    FromIni(Ini, S, Str("Caption.Font"), *CaptionFont);
    FromIni(Ini, S, Str("Gradient"), *Gradient);
    EffectiveItemHeight = ItemHeight;
  }

  // ---- Applying ----

  void Apply(TGvCustomLegend& L) const
  {
    auto* Bound = qobject_cast<TGvLegend*>(&L);
    L.SetVisible(Visible);
    L.SetHint(Hint);
    L.SetParentShowHint(ParentShowHint);
    L.SetShowHint(ShowHint);
    if (Bound) {
      Bound->SetPosition(TGvLegendPosition(Position));
      GvLinkRef<TGvGraph2D>(nullptr, Graph, Bound, "Legend graph",
                            [P = QPointer<TGvLegend>(Bound)](TGvGraph2D* G) {
                              if (P) P->SetGraph(G);
                            });
    }
    L.SetBounds(std::clamp(Left, -MaxExtent, MaxExtent), std::clamp(Top, -MaxExtent, MaxExtent),
                std::clamp(Width, 0, MaxExtent), std::clamp(Height, 0, MaxExtent));
    L.SetAutoSize(AutoSize);
    L.SetItemWidth(FiniteOr(ItemWidth, L.ItemWidth()));
    L.SetForeColor(ForeColor);
    L.SetBackColor(BackColor);
    if (Bound) Bound->SetLegendCaptionColorFrom(TGvLegendCaptionColorFrom(CaptionColorFrom));
    L.SetItemsOrder(TGvItemsOrder(ItemsOrder));
    L.SetRows(Rows);
    L.SetColumns(Columns);
    if (Bound) {
      // Each series once, in the order first named.
      QStringList Once;
      for (const QString& Line : ItemsOrderList)
        if (!Once.contains(Line)) Once << Line;
      Bound->SetItemsOrderList(Once);
    }
    L.FFont->Assign(*Font);
    L.FFrame->Assign(*Frame);
    L.SetCornerRounding(FiniteOr(CornerRounding, L.CornerRounding()));
    L.SetDistanceItemCaption(FiniteOr(DistanceItemCaption, L.DistanceItemCaption()));
    L.SetDistanceBetweenLines(FiniteOr(DistanceBetweenLines, L.DistanceBetweenLines()));
    L.SetDistanceBetweenColumns(FiniteOr(DistanceBetweenColumns, L.DistanceBetweenColumns()));
    L.SetDistanceToBorder(FiniteOr(DistanceToBorder, L.DistanceToBorder()));
    L.SetCaptionVisible(CaptionVisible);
    L.SetCaption(Caption);
    L.SetCaptionAlignment(TGvAlignment(CaptionAlignment));
    L.CaptionFont()->Assign(*CaptionFont);
    L.SetCaptionColor(CaptionColor);
    L.SetCaptionDistanceBefore(FiniteOr(CaptionDistanceBefore, L.CaptionDistanceBefore()));
    L.SetCaptionDistanceAfter(FiniteOr(CaptionDistanceAfter, L.CaptionDistanceAfter()));
    L.SetDropShadow(DropShadow);
    L.FBackgroundGradient->Assign(*Gradient);
    L.SetItemHeight(FiniteOr(ItemHeight, L.ItemHeight()));
    L.SetBorderRaised(BorderRaised);
    L.SetBorderLowered(BorderLowered);
    if (Bound) Bound->SetStartFreeFloatingMovingKeys(TGvShiftState::fromInt(MovingKeys));
    L.FEffectiveItemHeight = FiniteOr(EffectiveItemHeight, 0);
    L.Modified();
  }
};

// ---- Stream ---------------------------------------------------------------------

void TGvCustomLegend::WriteTo(TGvStreamWriter& W) const
{
  W.WriteString(GetComponentRef(this));
  TGvLegendForm(*this).Write(W);
}

void TGvCustomLegend::ReadUnchecked(TGvStreamReader& R)
{
  R.ReadString(); // the reference: the reader found the legend by it
  TGvLegendForm F(*this);
  F.Read(R);
  F.Check();
  TGvLoadingScope Loading(this);
  F.Apply(*this);
}

void TGvCustomLegend::WriteTo(QIODevice& Stream) const
{
  TGvStreamWriter W(Stream);
  WriteTo(W);
}

namespace {
// A scratch legend of the same kind, for the check of a form.
std::unique_ptr<TGvCustomLegend> Scratch(const TGvCustomLegend& Like)
{
  if (qobject_cast<const TGvLegend*>(&Like)) return std::make_unique<TGvLegend>();
  return std::make_unique<TGvCustomLegend>();
}

template <class F> void CheckOnScratch(const TGvCustomLegend& Like, F&& Read)
{
  std::unique_ptr<TGvCustomLegend> S = Scratch(Like);
  TGvReadContext Check(TGvReadContext::TMode::Check);
  TGvReadContextScope Scope(S.get(), &Check);
  Read(*S);
}
} // namespace

void TGvCustomLegend::ReadFrom(QIODevice& Stream)
{
  QBuffer Copy;
  QIODevice* D = &Rereadable(Stream, Copy);
  const qint64 Start = D->pos();
  CheckOnScratch(*this, [&](TGvCustomLegend& S) {
    TGvStreamReader R(*D);
    S.ReadUnchecked(R);
  });
  if (!D->seek(Start)) throw EGvReadError(QStringLiteral("Stream cannot be rewound"));
  TGvStreamReader R(*D);
  ReadUnchecked(R);
}

void TGvCustomLegend::WriteTo(const QString& FileName) const
{
  QSaveFile F(FileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
  WriteTo(static_cast<QIODevice&>(F));
  if (!F.commit()) throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FileName));
}

void TGvCustomLegend::ReadFrom(const QString& FileName)
{
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
  ReadFrom(static_cast<QIODevice&>(F));
}

// ---- XML --------------------------------------------------------------------------

void TGvCustomLegend::WriteTo(QDomElement& Node) const
{
  QDomElement E = Node.ownerDocument().createElement(QLatin1String(metaObject()->className()));
  Node.appendChild(E);
  E.setAttribute(Str("Name"), GetComponentRef(this));
  TGvLegendForm(*this).Write(E);
}

void TGvCustomLegend::ReadUnchecked(const QDomElement& Node)
{
  if (Node.tagName() != QLatin1String(metaObject()->className()))
    throw EGvReadError(QStringLiteral("Element \"%1\" is not a %2")
                           .arg(Node.tagName().left(64), QLatin1String(metaObject()->className())));
  TGvLegendForm F(*this);
  F.Read(Node);
  F.Check();
  TGvLoadingScope Loading(this);
  F.Apply(*this);
}

void TGvCustomLegend::ReadFrom(const QDomElement& Node)
{
  CheckOnScratch(*this, [&](TGvCustomLegend& S) { S.ReadUnchecked(Node); });
  ReadUnchecked(Node);
}

// ---- Ini -----------------------------------------------------------------------------

void TGvCustomLegend::WriteTo(TGvIniFile& Ini, const QString& Section) const
{
  IniWriteText(Ini, Section, Str("Name"), GetComponentRef(this));
  TGvLegendForm(*this).Write(Ini, Section);
}

void TGvCustomLegend::ReadUnchecked(const TGvIniFile& Ini, const QString& Section)
{
  if (!Ini.SectionExists(Section))
    throw EGvReadError(QStringLiteral("Section \"%1\" not found").arg(Section));
  TGvLegendForm F(*this);
  F.Read(Ini, Section);
  F.Check();
  TGvLoadingScope Loading(this);
  F.Apply(*this);
}

void TGvCustomLegend::ReadFrom(const TGvIniFile& Ini, const QString& Section)
{
  CheckOnScratch(*this, [&](TGvCustomLegend& S) { S.ReadUnchecked(Ini, Section); });
  ReadUnchecked(Ini, Section);
}
