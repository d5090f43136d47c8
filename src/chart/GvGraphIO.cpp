// The saved forms of a graph: binary stream, XML element and ini sections.
//
// Reading runs twice over the same form. The first run (checking) reads
// every object into a scratch object of its class, with a context that
// resolves nothing, and the graph's own settings into a form: whatever cannot
// be read fails here, before anything has changed. The second run finds or
// makes the objects by their saved references and reads them for real; the
// links between them are resolved once all exist.
#include "chart/GvGraph2D.h"

#include "chart/GvIO.h"
#include "chart/GvLegend.h"
#include "chart/GvSeries.h"
#include "chart/GvVectors.h"

#include <QBuffer>
#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <memory>

namespace {

using namespace GvForms;

TGvGraph2D* GraphOf(const TGvAxis* A)
{
  return A ? qobject_cast<TGvGraph2D*>(A->Graph()) : nullptr;
}

// The control settings of this platform's graph that the forms carry. Anchors
// and Align have no counterpart on this platform (the layouts place the
// graph): they are written as the defaults and read over.
constexpr uint8_t DefaultAnchors = 3; // left and top
constexpr int MaxExtent = 32767;

// Caption alignment: the graph's -1, 0, 1 as the stored LeftJustify,
// RightJustify, Center.
uint8_t AlignmentByte(int A)
{
  return A < 0 ? 0 : A > 0 ? 1 : 2;
}
int AlignmentOf(int B)
{
  return B == 0 ? -1 : B == 1 ? 1 : 0;
}

std::unique_ptr<TGvFont> Detached(const TGvFont& F)
{
  auto C = std::make_unique<TGvFont>();
  C->Assign(F);
  return C;
}
std::unique_ptr<TGvGradientSettings> Detached(const TGvGradientSettings& G)
{
  auto C = std::make_unique<TGvGradientSettings>();
  C->Assign(G);
  return C;
}
std::unique_ptr<TGvLineSettings> Detached(const TGvLineSettings& L)
{
  auto C = std::make_unique<TGvLineSettings>();
  C->Assign(L);
  return C;
}

const char* const GridNames[4] = {"MajorGridHorizontal", "MajorGridVertical", "MinorGridHorizontal",
                                  "MinorGridVertical"};

// ---- The graph's own settings --------------------------------------------------

struct TGraphForm
{
  bool Visible;
  int Top, Left, Width, Height;
  int BorderStyle;
  QString Hint;
  TGvColor BackColor, DataAreaColor;
  bool ZeroOrigin;
  QString PrimaryXAxis, PrimaryYAxis;
  float Distance[4]; // top, bottom, left, right as stored
  QString Caption;
  int CaptionAlignment; // stored byte
  TGvColor CaptionColor;
  float CaptionDistanceBefore, CaptionDistanceAfter;
  std::unique_ptr<TGvFont> CaptionFont;
  bool ZoomAuto, OptimizeSeries, BackOnClickBeside, ResetOnDoubleClickBeside,
      ResetOnRightBottomLeftTopFrame, HScrollbarVisible, VScrollbarVisible;
  uint16_t StartZoom, StartPanning;
  std::unique_ptr<TGvLineSettings> Grid[4];
  std::unique_ptr<TGvGradientSettings> BackgroundGradient, DataAreaGradient;
  int BufferType;
  bool CaptionVisible;
  std::unique_ptr<TGvLineSettings> DataAreaFrame;
  bool BackOnRightBottomLeftTopFrame;

  explicit TGraphForm(const TGvGraph2D& G)
      : Visible(!G.isHidden()), Top(G.y()), Left(G.x()), Width(G.width()), Height(G.height()),
        BorderStyle(int(G.BorderStyle())), Hint(G.toolTip()), BackColor(G.BackColor()), DataAreaColor(G.DataAreaColor()),
        ZeroOrigin(G.ZeroOrigin()), PrimaryXAxis(RefOf(G.PrimaryXAxis())),
        PrimaryYAxis(RefOf(G.PrimaryYAxis())), Distance{G.DistanceBorderAxisTop(),
                                                        G.DistanceBorderAxisBottom(),
                                                        G.DistanceBorderAxisLeft(),
                                                        G.DistanceBorderAxisRight()},
        Caption(G.Caption()), CaptionAlignment(AlignmentByte(G.CaptionAlignment())),
        CaptionColor(G.CaptionColor()), CaptionDistanceBefore(G.CaptionDistanceBefore()),
        CaptionDistanceAfter(G.CaptionDistanceAfter()), CaptionFont(Detached(*G.CaptionFont())),
        ZoomAuto(G.Zoom()->Auto()), OptimizeSeries(G.Zoom()->OptimizeSeries()),
        BackOnClickBeside(G.Zoom()->BackOnClickBeside()),
        ResetOnDoubleClickBeside(G.Zoom()->ResetOnDoubleClickBeside()),
        ResetOnRightBottomLeftTopFrame(G.Zoom()->ResetOnRightBottomLeftTopFrame()),
        HScrollbarVisible(G.Zoom()->HScrollbarVisible()),
        VScrollbarVisible(G.Zoom()->VScrollbarVisible()),
        StartZoom(uint16_t(G.Zoom()->StartZoom().toInt())),
        StartPanning(uint16_t(G.Zoom()->StartPanning().toInt())),
        BackgroundGradient(Detached(*G.BackgroundGradient())),
        DataAreaGradient(Detached(*G.DataAreaGradient())), BufferType(int(G.Zoom()->BufferType())),
        CaptionVisible(G.CaptionVisible()), DataAreaFrame(Detached(*G.DataAreaFrame())),
        BackOnRightBottomLeftTopFrame(G.Zoom()->BackOnRightBottomLeftTopFrame())
  {
    TGvLineSettings* const Grids[4] = {G.MajorGridHorizontal(), G.MajorGridVertical(),
                                       G.MinorGridHorizontal(), G.MinorGridVertical()};
    for (int I = 0; I < 4; ++I) Grid[I] = Detached(*Grids[I]);
  }

  void Check() const
  {
    if (CaptionAlignment < 0 || CaptionAlignment > 2)
      throw EGvReadError(
          QStringLiteral("Invalid caption alignment %1 in graph").arg(CaptionAlignment));
    if (BorderStyle < 0 || BorderStyle > 1)
      throw EGvReadError(QStringLiteral("Invalid border style %1 in graph").arg(BorderStyle));
    if (BufferType < 0 || BufferType > 1)
      throw EGvReadError(QStringLiteral("Invalid zoom buffer type %1 in graph").arg(BufferType));
    if (StartZoom == StartPanning)
      throw EGvReadError(
          QStringLiteral("Zooming and panning not allowed to start with same parameters"));
  }

  void Write(TGvStreamWriter& W) const
  {
    W.WriteBool(Visible);
    W.WriteByte(DefaultAnchors);
    W.WriteByte(0); // Align
    W.WriteInt32(Top);
    W.WriteInt32(Left);
    W.WriteInt32(Width);
    W.WriteInt32(Height);
    W.WriteByte(uint8_t(BorderStyle));
    W.WriteString(Hint);
    W.WriteBool(true);  // ParentShowHint
    W.WriteBool(false); // ShowHint
    W.WriteUInt32(BackColor);
    W.WriteUInt32(DataAreaColor);
    W.WriteBool(ZeroOrigin);
    W.WriteString(PrimaryXAxis);
    W.WriteString(PrimaryYAxis);
    for (float D : Distance) W.WriteFloat32(D);
    W.WriteString(Caption);
    W.WriteByte(uint8_t(CaptionAlignment));
    W.WriteUInt32(CaptionColor);
    W.WriteFloat32(CaptionDistanceBefore);
    W.WriteFloat32(CaptionDistanceAfter);
    ToStream(W, *CaptionFont);
    for (bool B : {ZoomAuto, OptimizeSeries, BackOnClickBeside, ResetOnDoubleClickBeside,
                   ResetOnRightBottomLeftTopFrame, HScrollbarVisible, VScrollbarVisible})
      W.WriteBool(B);
    W.WriteUInt16(StartZoom);
    W.WriteUInt16(StartPanning);
    for (const auto& L : Grid) ToStream(W, *L);
    W.WriteByte(1);
    ToStream(W, *BackgroundGradient);
    ToStream(W, *DataAreaGradient);
    W.WriteByte(1);
    W.WriteByte(uint8_t(BufferType));
    W.WriteByte(1);
    W.WriteBool(CaptionVisible);
    W.WriteByte(1);
    ToStream(W, *DataAreaFrame);
    W.WriteByte(1);
    W.WriteBool(BackOnRightBottomLeftTopFrame);
    W.WriteByte(0);
  }

  void Read(TGvStreamReader& R)
  {
    Visible = R.ReadBool();
    R.ReadByte(); // Anchors
    R.ReadByte(); // Align
    Top = R.ReadInt32();
    Left = R.ReadInt32();
    Width = R.ReadInt32();
    Height = R.ReadInt32();
    BorderStyle = R.ReadByte();
    Hint = R.ReadString();
    R.ReadBool(); // ParentShowHint
    R.ReadBool(); // ShowHint
    BackColor = R.ReadUInt32();
    DataAreaColor = R.ReadUInt32();
    ZeroOrigin = R.ReadBool();
    PrimaryXAxis = R.ReadString();
    PrimaryYAxis = R.ReadString();
    for (float& D : Distance) D = R.ReadFloat32();
    Caption = R.ReadString();
    CaptionAlignment = R.ReadByte();
    CaptionColor = R.ReadUInt32();
    CaptionDistanceBefore = R.ReadFloat32();
    CaptionDistanceAfter = R.ReadFloat32();
    FromStream(R, *CaptionFont);
    for (bool* B : {&ZoomAuto, &OptimizeSeries, &BackOnClickBeside, &ResetOnDoubleClickBeside,
                    &ResetOnRightBottomLeftTopFrame, &HScrollbarVisible, &VScrollbarVisible})
      *B = R.ReadBool();
    StartZoom = R.ReadUInt16();
    StartPanning = R.ReadUInt16();
    for (auto& L : Grid) FromStream(R, *L);
    if (R.ReadByte() == 0) return;
    FromStream(R, *BackgroundGradient);
    FromStream(R, *DataAreaGradient);
    if (R.ReadByte() == 0) return;
    BufferType = R.ReadByte();
    if (R.ReadByte() == 0) return;
    CaptionVisible = R.ReadBool();
    if (R.ReadByte() == 0) return;
    FromStream(R, *DataAreaFrame);
    if (R.ReadByte() == 0) return;
    BackOnRightBottomLeftTopFrame = R.ReadBool();
    const uint8_t End = R.ReadByte();
    if (End != 0) throw EGvReadError(QStringLiteral("Unknown extension %1 in graph").arg(End));
  }

  void Write(QDomElement& E) const
  {
    QDomDocument Doc = E.ownerDocument();
    QDomElement P = Doc.createElement(Str("Properties"));
    E.appendChild(P);
    XmlWrite(P, Str("Visible"), Visible);
    XmlWrite(P, Str("Anchors"), int(DefaultAnchors));
    XmlWrite(P, Str("Align"), 0);
    XmlWrite(P, Str("Top"), Top);
    XmlWrite(P, Str("Left"), Left);
    XmlWrite(P, Str("Width"), Width);
    XmlWrite(P, Str("Height"), Height);
    XmlWrite(P, Str("BorderStyle"), BorderStyle);
    XmlWrite(P, Str("Hint"), Hint);
    XmlWrite(P, Str("ParentShowHint"), true);
    XmlWrite(P, Str("ShowHint"), false);
    XmlWriteColor(P, Str("BackColor"), BackColor);
    XmlWriteColor(P, Str("DataAreaColor"), DataAreaColor);
    XmlWrite(P, Str("ZeroOrigin"), ZeroOrigin);
    XmlWrite(P, Str("PrimaryXAxis"), PrimaryXAxis);
    XmlWrite(P, Str("PrimaryYAxis"), PrimaryYAxis);
    XmlWrite(P, Str("DistanceBorderAxisTop"), Distance[0]);
    XmlWrite(P, Str("DistanceBorderAxisBottom"), Distance[1]);
    XmlWrite(P, Str("DistanceBorderAxisLeft"), Distance[2]);
    XmlWrite(P, Str("DistanceBorderAxisRight"), Distance[3]);
    QDomElement C = Doc.createElement(Str("Caption"));
    E.appendChild(C);
    XmlWrite(C, Str("Text"), Caption);
    XmlWrite(C, Str("Alignment"), CaptionAlignment);
    XmlWriteColor(C, Str("Color"), CaptionColor);
    XmlWrite(C, Str("DistanceBefore"), CaptionDistanceBefore);
    XmlWrite(C, Str("DistanceAfter"), CaptionDistanceAfter);
    XmlWrite(C, Str("Visible"), CaptionVisible);
    ToNode(C, Str("Font"), *CaptionFont);
    QDomElement Z = Doc.createElement(Str("Zoom"));
    E.appendChild(Z);
    XmlWrite(Z, Str("Auto"), ZoomAuto);
    XmlWrite(Z, Str("BufferType"), BufferType);
    XmlWrite(Z, Str("OptimizeSeries"), OptimizeSeries);
    XmlWrite(Z, Str("BackOnClickBeside"), BackOnClickBeside);
    XmlWrite(Z, Str("BackOnRightBottomLeftTopFrame"), BackOnRightBottomLeftTopFrame);
    XmlWrite(Z, Str("ResetOnDoubleClickBeside"), ResetOnDoubleClickBeside);
    XmlWrite(Z, Str("ResetOnRightBottomLeftTopFrame"), ResetOnRightBottomLeftTopFrame);
    XmlWrite(Z, Str("HScrollbarVisible"), HScrollbarVisible);
    XmlWrite(Z, Str("VScrollbarVisible"), VScrollbarVisible);
    XmlWrite(Z, Str("StartZoom"), int(StartZoom));
    XmlWrite(Z, Str("StartPanning"), int(StartPanning));
    QDomElement G = Doc.createElement(Str("Grid"));
    E.appendChild(G);
    for (int I = 0; I < 4; ++I) ToNode(G, Str(GridNames[I]), *Grid[I]);
    ToNode(E, Str("BackgroundGradient"), *BackgroundGradient);
    ToNode(E, Str("DataAreaGradient"), *DataAreaGradient);
    ToNode(E, Str("DataAreaFrame"), *DataAreaFrame);
  }

  static void ReadShift(const QDomElement& E, const char* Name, uint16_t& Value)
  {
    int V = Value;
    XmlRead(E, Str(Name), V);
    if (V < 0 || V > 0xFFFF)
      throw EGvReadError(QStringLiteral("Invalid %1 %2 in graph").arg(QLatin1String(Name)).arg(V));
    Value = uint16_t(V);
  }

  void Read(const QDomElement& E)
  {
    const QDomElement P = E.firstChildElement(Str("Properties"));
    XmlRead(P, Str("Visible"), Visible);
    XmlRead(P, Str("Top"), Top);
    XmlRead(P, Str("Left"), Left);
    XmlRead(P, Str("Width"), Width);
    XmlRead(P, Str("Height"), Height);
    XmlRead(P, Str("BorderStyle"), BorderStyle);
    XmlRead(P, Str("Hint"), Hint);
    XmlReadColor(P, Str("BackColor"), BackColor);
    XmlReadColor(P, Str("DataAreaColor"), DataAreaColor);
    XmlRead(P, Str("ZeroOrigin"), ZeroOrigin);
    XmlRead(P, Str("PrimaryXAxis"), PrimaryXAxis);
    XmlRead(P, Str("PrimaryYAxis"), PrimaryYAxis);
    XmlRead(P, Str("DistanceBorderAxisTop"), Distance[0]);
    XmlRead(P, Str("DistanceBorderAxisBottom"), Distance[1]);
    XmlRead(P, Str("DistanceBorderAxisLeft"), Distance[2]);
    XmlRead(P, Str("DistanceBorderAxisRight"), Distance[3]);
    const QDomElement C = E.firstChildElement(Str("Caption"));
    XmlRead(C, Str("Text"), Caption);
    XmlRead(C, Str("Alignment"), CaptionAlignment);
    XmlReadColor(C, Str("Color"), CaptionColor);
    XmlRead(C, Str("DistanceBefore"), CaptionDistanceBefore);
    XmlRead(C, Str("DistanceAfter"), CaptionDistanceAfter);
    XmlRead(C, Str("Visible"), CaptionVisible);
    FromNode(C, Str("Font"), *CaptionFont);
    const QDomElement Z = E.firstChildElement(Str("Zoom"));
    XmlRead(Z, Str("Auto"), ZoomAuto);
    XmlRead(Z, Str("BufferType"), BufferType);
    XmlRead(Z, Str("OptimizeSeries"), OptimizeSeries);
    XmlRead(Z, Str("BackOnClickBeside"), BackOnClickBeside);
    XmlRead(Z, Str("BackOnRightBottomLeftTopFrame"), BackOnRightBottomLeftTopFrame);
    XmlRead(Z, Str("ResetOnDoubleClickBeside"), ResetOnDoubleClickBeside);
    XmlRead(Z, Str("ResetOnRightBottomLeftTopFrame"), ResetOnRightBottomLeftTopFrame);
    XmlRead(Z, Str("HScrollbarVisible"), HScrollbarVisible);
    XmlRead(Z, Str("VScrollbarVisible"), VScrollbarVisible);
    ReadShift(Z, "StartZoom", StartZoom);
    ReadShift(Z, "StartPanning", StartPanning);
    const QDomElement G = E.firstChildElement(Str("Grid"));
    for (int I = 0; I < 4; ++I) FromNode(G, Str(GridNames[I]), *Grid[I]);
    FromNode(E, Str("BackgroundGradient"), *BackgroundGradient);
    FromNode(E, Str("DataAreaGradient"), *DataAreaGradient);
    FromNode(E, Str("DataAreaFrame"), *DataAreaFrame);
  }

  void Write(TGvIniFile& Ini, const QString& Sec) const
  {
    Ini.WriteBool(Sec, Str("Visible"), Visible);
    Ini.WriteInteger(Sec, Str("Anchors"), DefaultAnchors);
    Ini.WriteInteger(Sec, Str("Align"), 0);
    Ini.WriteInteger(Sec, Str("Top"), Top);
    Ini.WriteInteger(Sec, Str("Left"), Left);
    Ini.WriteInteger(Sec, Str("Width"), Width);
    Ini.WriteInteger(Sec, Str("Height"), Height);
    Ini.WriteInteger(Sec, Str("BorderStyle"), BorderStyle);
    IniWriteText(Ini, Sec, Str("Hint"), Hint);
    Ini.WriteBool(Sec, Str("ParentShowHint"), true);
    Ini.WriteBool(Sec, Str("ShowHint"), false);
    Ini.WriteColor(Sec, Str("BackColor"), BackColor);
    Ini.WriteColor(Sec, Str("DataAreaColor"), DataAreaColor);
    Ini.WriteBool(Sec, Str("ZeroOrigin"), ZeroOrigin);
    IniWriteText(Ini, Sec, Str("PrimaryXAxis"), PrimaryXAxis);
    IniWriteText(Ini, Sec, Str("PrimaryYAxis"), PrimaryYAxis);
    Ini.WriteSingle(Sec, Str("DistanceBorderAxisTop"), Distance[0]);
    Ini.WriteSingle(Sec, Str("DistanceBorderAxisBottom"), Distance[1]);
    Ini.WriteSingle(Sec, Str("DistanceBorderAxisLeft"), Distance[2]);
    Ini.WriteSingle(Sec, Str("DistanceBorderAxisRight"), Distance[3]);
    IniWriteText(Ini, Sec, Str("Caption"), Caption);
    Ini.WriteBool(Sec, Str("Caption.Visible"), CaptionVisible);
    Ini.WriteInteger(Sec, Str("Caption.Alignment"), CaptionAlignment);
    Ini.WriteColor(Sec, Str("Caption.Color"), CaptionColor);
    Ini.WriteSingle(Sec, Str("Caption.DistanceBefore"), CaptionDistanceBefore);
    Ini.WriteSingle(Sec, Str("Caption.DistanceAfter"), CaptionDistanceAfter);
    ToIni(Ini, Sec, Str("Caption.Font"), *CaptionFont);
    Ini.WriteBool(Sec, Str("Zoom.Auto"), ZoomAuto);
    Ini.WriteInteger(Sec, Str("Zoom.BufferType"), BufferType);
    Ini.WriteBool(Sec, Str("Zoom.OptimizeSeries"), OptimizeSeries);
    Ini.WriteBool(Sec, Str("Zoom.BackOnClickBeside"), BackOnClickBeside);
    Ini.WriteBool(Sec, Str("Zoom.BackOnRightBottomLeftTopFrame"), BackOnRightBottomLeftTopFrame);
    Ini.WriteBool(Sec, Str("Zoom.ResetOnDoubleClickBeside"), ResetOnDoubleClickBeside);
    Ini.WriteBool(Sec, Str("Zoom.ResetOnRightBottomLeftTopFrame"), ResetOnRightBottomLeftTopFrame);
    Ini.WriteBool(Sec, Str("Zoom.HScrollbarVisible"), HScrollbarVisible);
    Ini.WriteBool(Sec, Str("Zoom.VScrollbarVisible"), VScrollbarVisible);
    Ini.WriteInteger(Sec, Str("Zoom.StartZoom"), StartZoom);
    Ini.WriteInteger(Sec, Str("Zoom.StartPanning"), StartPanning);
    for (int I = 0; I < 4; ++I) ToIni(Ini, Sec, Str(GridNames[I]), *Grid[I]);
    ToIni(Ini, Sec, Str("BackgroundGradient"), *BackgroundGradient);
    ToIni(Ini, Sec, Str("DataAreaGradient"), *DataAreaGradient);
    ToIni(Ini, Sec, Str("DataAreaFrame"), *DataAreaFrame);
  }

  static void ReadShift(const TGvIniFile& Ini, const QString& Sec, const char* Key, uint16_t& Value)
  {
    int V = Value;
    IniRead(Ini, Sec, Str(Key), V);
    if (V < 0 || V > 0xFFFF)
      throw EGvReadError(QStringLiteral("Invalid %1 %2 in graph").arg(QLatin1String(Key)).arg(V));
    Value = uint16_t(V);
  }

  void Read(const TGvIniFile& Ini, const QString& Sec)
  {
    IniRead(Ini, Sec, Str("Visible"), Visible);
    IniRead(Ini, Sec, Str("Top"), Top);
    IniRead(Ini, Sec, Str("Left"), Left);
    IniRead(Ini, Sec, Str("Width"), Width);
    IniRead(Ini, Sec, Str("Height"), Height);
    IniRead(Ini, Sec, Str("BorderStyle"), BorderStyle);
    IniRead(Ini, Sec, Str("Hint"), Hint);
    IniReadColor(Ini, Sec, Str("BackColor"), BackColor);
    IniReadColor(Ini, Sec, Str("DataAreaColor"), DataAreaColor);
    IniRead(Ini, Sec, Str("ZeroOrigin"), ZeroOrigin);
    IniRead(Ini, Sec, Str("PrimaryXAxis"), PrimaryXAxis);
    IniRead(Ini, Sec, Str("PrimaryYAxis"), PrimaryYAxis);
    IniRead(Ini, Sec, Str("DistanceBorderAxisTop"), Distance[0]);
    IniRead(Ini, Sec, Str("DistanceBorderAxisBottom"), Distance[1]);
    IniRead(Ini, Sec, Str("DistanceBorderAxisLeft"), Distance[2]);
    IniRead(Ini, Sec, Str("DistanceBorderAxisRight"), Distance[3]);
    IniRead(Ini, Sec, Str("Caption"), Caption);
    IniRead(Ini, Sec, Str("Caption.Visible"), CaptionVisible);
    IniRead(Ini, Sec, Str("Caption.Alignment"), CaptionAlignment);
    IniReadColor(Ini, Sec, Str("Caption.Color"), CaptionColor);
    IniRead(Ini, Sec, Str("Caption.DistanceBefore"), CaptionDistanceBefore);
    IniRead(Ini, Sec, Str("Caption.DistanceAfter"), CaptionDistanceAfter);
    FromIni(Ini, Sec, Str("Caption.Font"), *CaptionFont);
    IniRead(Ini, Sec, Str("Zoom.Auto"), ZoomAuto);
    IniRead(Ini, Sec, Str("Zoom.BufferType"), BufferType);
    IniRead(Ini, Sec, Str("Zoom.OptimizeSeries"), OptimizeSeries);
    IniRead(Ini, Sec, Str("Zoom.BackOnClickBeside"), BackOnClickBeside);
    IniRead(Ini, Sec, Str("Zoom.BackOnRightBottomLeftTopFrame"), BackOnRightBottomLeftTopFrame);
    IniRead(Ini, Sec, Str("Zoom.ResetOnDoubleClickBeside"), ResetOnDoubleClickBeside);
    IniRead(Ini, Sec, Str("Zoom.ResetOnRightBottomLeftTopFrame"), ResetOnRightBottomLeftTopFrame);
    IniRead(Ini, Sec, Str("Zoom.HScrollbarVisible"), HScrollbarVisible);
    IniRead(Ini, Sec, Str("Zoom.VScrollbarVisible"), VScrollbarVisible);
    ReadShift(Ini, Sec, "Zoom.StartZoom", StartZoom);
    ReadShift(Ini, Sec, "Zoom.StartPanning", StartPanning);
    for (int I = 0; I < 4; ++I) FromIni(Ini, Sec, Str(GridNames[I]), *Grid[I]);
    FromIni(Ini, Sec, Str("BackgroundGradient"), *BackgroundGradient);
    FromIni(Ini, Sec, Str("DataAreaGradient"), *DataAreaGradient);
    FromIni(Ini, Sec, Str("DataAreaFrame"), *DataAreaFrame);
  }

  void Apply(TGvGraph2D& G, TGvReadContext& Context) const
  {
    // A graph inside a window shows or hides; a graph standing alone is not
    // made a window of its own by a file.
    if (G.parentWidget()) G.setVisible(Visible);
    G.setGeometry(Left, Top, std::clamp(Width, 0, MaxExtent), std::clamp(Height, 0, MaxExtent));
    G.setToolTip(Hint);
    G.SetBorderStyle(TGvBorderStyle(BorderStyle));
    G.SetBackColor(BackColor);
    G.SetDataAreaColor(DataAreaColor);
    G.SetZeroOrigin(ZeroOrigin);
    QPointer<TGvGraph2D> P(&G);
    GvLinkRef<TGvAxis>(&Context, PrimaryXAxis, &G, "Primary X axis", [P](TGvAxis* A) {
      if (P) P->SetPrimaryXAxis(A);
    });
    GvLinkRef<TGvAxis>(&Context, PrimaryYAxis, &G, "Primary Y axis", [P](TGvAxis* A) {
      if (P) P->SetPrimaryYAxis(A);
    });
    G.SetDistanceBorderAxisTop(Distance[0]);
    G.SetDistanceBorderAxisBottom(Distance[1]);
    G.SetDistanceBorderAxisLeft(Distance[2]);
    G.SetDistanceBorderAxisRight(Distance[3]);
    G.SetCaption(Caption);
    G.SetCaptionAlignment(AlignmentOf(CaptionAlignment));
    G.CaptionFont()->Assign(*CaptionFont);
    G.SetCaptionColor(CaptionColor);
    G.SetCaptionDistanceBefore(CaptionDistanceBefore);
    G.SetCaptionDistanceAfter(CaptionDistanceAfter);
    G.SetCaptionVisible(CaptionVisible);
    TGvZoomSettings* Z = G.Zoom();
    Z->SetAuto(ZoomAuto);
    Z->SetBufferType(TGvZoomBufferType(BufferType));
    Z->SetOptimizeSeries(OptimizeSeries);
    Z->SetBackOnClickBeside(BackOnClickBeside);
    Z->SetBackOnRightBottomLeftTopFrame(BackOnRightBottomLeftTopFrame);
    Z->SetResetOnDoubleClickBeside(ResetOnDoubleClickBeside);
    Z->SetResetOnRightBottomLeftTopFrame(ResetOnRightBottomLeftTopFrame);
    Z->SetHScrollbarVisible(HScrollbarVisible);
    Z->SetVScrollbarVisible(VScrollbarVisible);
    // The two states must differ at every step: the panning state first when
    // the new zoom state is the panning state of now.
    const TGvShiftState NewZoom = TGvShiftState::fromInt(StartZoom);
    const TGvShiftState NewPan = TGvShiftState::fromInt(StartPanning);
    if (NewZoom == Z->StartPanning()) {
      Z->SetStartPanning(NewPan);
      Z->SetStartZoom(NewZoom);
    } else {
      Z->SetStartZoom(NewZoom);
      Z->SetStartPanning(NewPan);
    }
    TGvLineSettings* const Grids[4] = {G.MajorGridHorizontal(), G.MajorGridVertical(),
                                       G.MinorGridHorizontal(), G.MinorGridVertical()};
    for (int I = 0; I < 4; ++I) Grids[I]->Assign(*Grid[I]);
    G.BackgroundGradient()->Assign(*BackgroundGradient);
    G.DataAreaGradient()->Assign(*DataAreaGradient);
    G.DataAreaFrame()->Assign(*DataAreaFrame);
  }
};

// ---- Finding and making the objects ------------------------------------------------

// The owner a saved reference names (the saved graph stands for this one);
// the graph's owner when it names nothing.
QObject* OwnerFor(TGvGraph2D& G, TGvReadContext& C, const QString& Ref)
{
  const QString Owner = OwnerName(Ref);
  if (Owner.isEmpty()) return G.parent() ? G.parent() : static_cast<QObject*>(&G);
  if (QObject* O = C.Resolve(Owner)) return O;
  C.Warn(QStringLiteral("Owner \"%1\" of \"%2\" not found: made in the graph's owner")
             .arg(Owner, Ref));
  return G.parent() ? G.parent() : static_cast<QObject*>(&G);
}

// A name for a new object: the saved one, or a free one when it is taken
// (the saved reference is bound to the new object).
QString NameFor(QObject* Owner, TGvReadContext& C, const QString& Ref, const char* What)
{
  const QString Name = ComponentName(Ref);
  if (Name.isEmpty()) return Name;
  if (!Owner->findChild<QObject*>(Name, Qt::FindDirectChildrenOnly)) return Name;
  const QString Free = UniqueName(Owner, Name);
  C.Warn(QStringLiteral("%1 \"%2\": the name is taken by another object, read as \"%3\"")
             .arg(QLatin1String(What), Ref, Free));
  return Free;
}

// A new object stands for the saved reference from now on.
template <class T> T* Made(TGvReadContext& C, const QString& Ref, T* New)
{
  if (!Ref.isEmpty()) C.Bind(Ref, New);
  return New;
}

TGvDoubleVector* VectorFor(TGvGraph2D& G, TGvReadContext& C, const QString& Ref)
{
  QObject* O = Ref.isEmpty() ? nullptr : C.Resolve(Ref);
  if (auto* V = qobject_cast<TGvDoubleVector*>(O)) return V;
  QObject* Owner = OwnerFor(G, C, Ref);
  auto* V = new TGvDoubleVector(Owner);
  V->setObjectName(NameFor(Owner, C, Ref, "Vector"));
  return Made(C, Ref, V);
}

TGvAxis* AxisFor(TGvGraph2D& G, TGvReadContext& C, const QString& Ref)
{
  QObject* O = Ref.isEmpty() ? nullptr : C.Resolve(Ref);
  auto* A = qobject_cast<TGvAxis*>(O);
  // An axis of another graph stays where it is.
  if (A && (GraphOf(A) == &G || !A->Graph())) {
    A->SetGraph(&G);
    return A;
  }
  QObject* Owner = OwnerFor(G, C, Ref);
  A = new TGvAxis(Owner);
  A->setObjectName(NameFor(Owner, C, Ref, "Axis"));
  A->SetGraph(&G);
  A->SetUndoStack(G.UndoStack());
  return Made(C, Ref, A);
}

// A series that another series owns (the phase of a spectrum) is saved and
// read with its owner, never on its own.
bool OwnedBySeries(const TGvSeries* S)
{
  return qobject_cast<const TGvSeries*>(S->parent()) != nullptr;
}

// A series of this graph is taken, or replaced when its class differs; a name
// held by anything else (a series owned by another among them) leaves that
// object alone.
TGvSeries* SeriesFor(TGvGraph2D& G, TGvReadContext& C, const QString& Class, const QString& Ref)
{
  QObject* O = Ref.isEmpty() ? nullptr : C.Resolve(Ref);
  auto* S = qobject_cast<TGvSeries*>(O);
  if (S && OwnedBySeries(S)) S = nullptr;
  const auto& Mine = G.RelatedSeries();
  const bool OfThisGraph = S && std::find(Mine.begin(), Mine.end(), S) != Mine.end();
  if (OfThisGraph && Class == QLatin1String(S->metaObject()->className())) return S;
  QObject* Owner = OwnerFor(G, C, Ref);
  // Nor is a series made inside another one.
  if (qobject_cast<TGvSeries*>(Owner)) Owner = G.parent() ? G.parent() : static_cast<QObject*>(&G);
  QString Name;
  if (OfThisGraph) {
    Name = S->objectName();
    Owner = S->parent() ? S->parent() : Owner;
    delete S;
  } else {
    Name = NameFor(Owner, C, Ref, "Series");
  }
  TGvSeries* New = TGvClassRegistry<TGvSeries>::Instance().Create(Class, Owner);
  if (!New) return nullptr;
  New->setObjectName(Name);
  return Made(C, Ref, New);
}

// The series of the graph that the form does not name leave the graph.
void DetachOthers(TGvGraph2D& G, const std::vector<QPointer<TGvSeries>>& Read)
{
  const std::vector<TGvSeries*> Now = G.RelatedSeries();
  for (TGvSeries* S : Now)
    if (!OwnedBySeries(S) &&
        std::none_of(Read.begin(), Read.end(), [S](const auto& P) { return P == S; })) {
      S->SetYAxis(nullptr);
      S->SetXAxis(nullptr);
    }
}

// A legend of this graph (or of none) is taken; one of another graph stays
// there, and so does anything else that holds the name.
TGvLegend* LegendFor(TGvGraph2D& G, TGvReadContext& C, const QString& Ref)
{
  QObject* O = Ref.isEmpty() ? nullptr : C.Resolve(Ref);
  auto* L = qobject_cast<TGvLegend*>(O);
  if (L && (L->Graph() == &G || !L->Graph())) return L;
  QObject* Owner = OwnerFor(G, C, Ref);
  L = new TGvLegend(Owner);
  L->setObjectName(NameFor(Owner, C, Ref, "Legend"));
  return Made(C, Ref, L);
}

// The series a legend of the graph may name: those of the graph, of the
// graph it is coupled to and of their child graphs.
std::vector<TGvSeries*> FamilySeries(TGvGraph2D& G)
{
  std::vector<TGvSeries*> All;
  auto Add = [&](TGvGraph2D* From) {
    if (!From) return;
    for (TGvSeries* S : From->RelatedSeries())
      if (std::find(All.begin(), All.end(), S) == All.end()) All.push_back(S);
  };
  TGvGraph2D* Master = G.IsCoupled() ? G.MasterGraph() : &G;
  Add(Master);
  Add(&G);
  for (TGvGraph2D* Child : Master->ChildGraphs()) Add(Child);
  return All;
}

// The legends read take the graph; their items order lists keep the lines
// that name a series of the graph (as the series are now called), each once:
// a line that names nothing, or anything but such a series, is left out and
// noted. Legends of the graph that the form does not name leave it.
void SettleLegends(TGvGraph2D& G, TGvReadContext& C, const std::vector<QPointer<TGvLegend>>& Read)
{
  for (QObject* O : G.Legends()) {
    auto* L = qobject_cast<TGvLegend*>(O);
    if (L && std::none_of(Read.begin(), Read.end(), [L](const auto& P) { return P == L; }))
      L->SetGraph(nullptr);
  }
  const std::vector<TGvSeries*> Series = FamilySeries(G);
  for (const QPointer<TGvLegend>& L : Read) {
    if (!L) continue;
    L->SetGraph(&G);
    QStringList Kept;
    for (const QString& Line : L->ItemsOrderList()) {
      auto* S = qobject_cast<TGvSeries*>(Line.isEmpty() ? nullptr : C.Resolve(Line));
      if (!S || std::find(Series.begin(), Series.end(), S) == Series.end()) {
        C.Warn(QStringLiteral("Legend \"%1\": \"%2\" in the items order list names no series "
                              "of the graph: left out")
                   .arg(L->objectName(), Line.left(256)));
        continue;
      }
      const QString Ref = GetComponentRef(S);
      if (!Kept.contains(Ref)) Kept << Ref;
    }
    L->SetItemsOrderList(Kept);
  }
}

// The named axes standing on the graph, and its named series.
// Only what has a reference is saved: nothing could name the rest.
std::vector<TGvAxis*> SavedAxes(const TGvGraph2D& G)
{
  std::vector<TGvAxis*> R;
  for (TGvAxis* A : G.Axes())
    if (GraphOf(A) == &G && !GetComponentRef(A).isEmpty()) R.push_back(A);
  return R;
}

std::vector<TGvSeries*> SavedSeries(const TGvGraph2D& G)
{
  std::vector<TGvSeries*> R;
  for (TGvSeries* S : G.RelatedSeries())
    if (!GetComponentRef(S).isEmpty() && !OwnedBySeries(S)) R.push_back(S);
  return R;
}

std::vector<TGvLegend*> SavedLegends(const TGvGraph2D& G)
{
  std::vector<TGvLegend*> R;
  for (QObject* O : G.Legends())
    if (auto* L = qobject_cast<TGvLegend*>(O))
      if (L->Graph() == &G && !GetComponentRef(L).isEmpty()) R.push_back(L);
  return R;
}

// The vectors of the series that are saved: a series without a reference is
// not, and neither are the vectors only it uses (they would come back without
// a series).
std::vector<TGvDoubleVector*> SavedVectors(const TGvGraph2D& G)
{
  std::vector<TGvDoubleVector*> R;
  for (TGvDoubleVector* V : TGvGraph2D::VectorsOf(SavedSeries(G)))
    if (!GetComponentRef(V).isEmpty()) R.push_back(V);
  return R;
}

// Everything a reading of the graph holds: the mode, the scratch objects of
// the check, the series read.
struct TGraphRead
{
  TGvGraph2D& G;
  TGvReadContext& C;
  std::vector<std::unique_ptr<QObject>> Scratch;
  std::vector<QPointer<TGvSeries>> Series;
  std::vector<QPointer<TGvLegend>> Legends;

  bool Checking() const { return C.Checking(); }

  TGvDoubleVector* Vector(const QString& Ref)
  {
    if (!Checking()) return VectorFor(G, C, Ref);
    auto* V = new TGvDoubleVector();
    Scratch.emplace_back(V);
    return V;
  }
  TGvAxis* Axis(const QString& Ref)
  {
    if (!Checking()) return AxisFor(G, C, Ref);
    auto* A = new TGvAxis();
    Scratch.emplace_back(A);
    return A;
  }
  // nullptr for a class that is not registered.
  TGvSeries* NewSeries(const QString& Class, const QString& Ref)
  {
    if (!Checking()) {
      TGvSeries* S = SeriesFor(G, C, Class, Ref);
      if (S) Series.emplace_back(S);
      return S;
    }
    TGvSeries* S = TGvClassRegistry<TGvSeries>::Instance().Create(Class, nullptr);
    if (S) Scratch.emplace_back(S);
    return S;
  }
  TGvLegend* Legend(const QString& Ref)
  {
    if (!Checking()) {
      TGvLegend* L = LegendFor(G, C, Ref);
      Legends.emplace_back(L);
      return L;
    }
    auto* L = new TGvLegend();
    Scratch.emplace_back(L);
    return L;
  }
  // Read with the context attached (so that links go through it).
  template <class F> void With(QObject* O, F&& Read)
  {
    TGvReadContextScope Scope(O, &C);
    Read();
  }
  void End()
  {
    if (Checking()) return;
    DetachOthers(G, Series);
    SettleLegends(G, C, Legends);
  }
};

// Reading a graph: the check on scratch objects, then for real, with the
// graph loading and updating and its undo stack suspended.
template <class F> void ReadTwice(TGvGraph2D& G, QStringList& Warnings, F&& ReadWith)
{
  {
    TGvReadContext Check(TGvReadContext::TMode::Check);
    TGraphRead Read{G, Check, {}, {}, {}};
    ReadWith(Read);
  }
  TGvReadContext Apply;
  {
    TGvGraphLoadingScope Loading(&G);
    TGvUpdateScope Updating(&G);
    TGvUndoSuspendScope Suspend(G.UndoStack());
    TGraphRead Read{G, Apply, {}, {}, {}};
    ReadWith(Read);
    Apply.Finish();
    Read.End();
    // Each series takes its data range now that everything is linked, while
    // the graph still loads: the axes keep the ranges and zoom stages read.
    const std::vector<TGvSeries*> Series = G.RelatedSeries();
    for (TGvSeries* S : Series) {
      try {
        S->Calculate();
      } catch (const std::exception& E) {
        Apply.Warn(QStringLiteral("%1: %2").arg(S->ToString(), QString::fromUtf8(E.what())));
      }
    }
  }
  Warnings = Apply.Warnings();
  G.Modified();
}

} // namespace

// ---- Stream -------------------------------------------------------------------------

void TGvGraph2D::WriteTo(TGvStreamWriter& W, bool IncludeValues) const
{
  W.WriteString(GetComponentRef(this));
  W.WriteBool(IncludeValues);
  if (IncludeValues) {
    const std::vector<TGvDoubleVector*> Vectors = SavedVectors(*this);
    W.WriteInt32(int32_t(Vectors.size()));
    for (const TGvDoubleVector* V : Vectors) V->WriteTo(W);
  }
  const std::vector<TGvAxis*> Axes = SavedAxes(*this);
  W.WriteInt32(int32_t(Axes.size()));
  for (const TGvAxis* A : Axes) A->WriteTo(W);
  const std::vector<TGvSeries*> Series = SavedSeries(*this);
  W.WriteInt32(int32_t(Series.size()));
  for (const TGvSeries* S : Series) S->WriteTo(W);
  const std::vector<TGvLegend*> Legends = SavedLegends(*this);
  W.WriteInt32(int32_t(Legends.size()));
  for (const TGvLegend* L : Legends) L->WriteTo(W);
  W.WriteInt32(0); // markers
  TGraphForm(*this).Write(W);
}

namespace {

void ReadGraphStream(TGraphRead& Read, TGvStreamReader& R)
{
  const QString SavedRef = R.ReadString();
  if (!Read.Checking() && !SavedRef.isEmpty()) Read.C.Bind(SavedRef, &Read.G);
  const bool IncludeValues = R.ReadBool();
  // Each object takes more than 8 bytes: counts beyond the data are refused
  // before anything is read.
  if (IncludeValues) {
    const int32_t N = R.ReadCount(8);
    for (int32_t I = 0; I < N; ++I) {
      const QString Ref = R.PeekString();
      TGvDoubleVector* V = Read.Vector(Ref);
      V->ReadFrom(R);
    }
  }
  const int32_t Axes = R.ReadCount(8);
  for (int32_t I = 0; I < Axes; ++I) {
    const QString Ref = R.PeekString();
    TGvAxis* A = Read.Axis(Ref);
    A->ReadFrom(R, IncludeValues, &Read.C);
  }
  const int32_t Series = R.ReadCount(8);
  for (int32_t I = 0; I < Series; ++I) {
    const qint64 At = R.Device().pos();
    const QString Class = R.ReadString();
    const QString Ref = R.ReadString();
    if (!R.Device().seek(At)) throw EGvReadError(QStringLiteral("Stream cannot be rewound"));
    TGvSeries* S = Read.NewSeries(Class, Ref);
    // The end of an unknown class's data cannot be found in a stream.
    if (!S)
      throw EGvReadError(
          QStringLiteral("Unknown series class \"%1\" in stream").arg(Class.left(64)));
    Read.With(S, [&] { S->ReadUnchecked(R); });
  }
  const int32_t Legends = R.ReadCount(8);
  for (int32_t I = 0; I < Legends; ++I) {
    TGvLegend* L = Read.Legend(R.PeekString());
    Read.With(L, [&] { L->ReadUnchecked(R); });
  }
  if (const int32_t Markers = R.ReadCount(8); Markers > 0)
    throw EGvReadError(
        QStringLiteral("The stream holds %1 markers, which cannot be read").arg(Markers));
  TGraphForm F(Read.G);
  F.Read(R);
  F.Check();
  if (!Read.Checking()) F.Apply(Read.G, Read.C);
}

} // namespace

void TGvGraph2D::WriteTo(QIODevice& Stream, bool IncludeValues) const
{
  TGvStreamWriter W(Stream);
  WriteTo(W, IncludeValues);
}

void TGvGraph2D::WriteTo(const QString& FileName, bool IncludeValues) const
{
  QSaveFile F(FileName);
  if (!F.open(QIODevice::WriteOnly))
    throw EGvError(QStringLiteral("Cannot create file \"%1\"").arg(FileName));
  WriteTo(static_cast<QIODevice&>(F), IncludeValues);
  if (!F.commit()) throw EGvError(QStringLiteral("Cannot write file \"%1\"").arg(FileName));
}

void TGvGraph2D::ReadFrom(QIODevice& Stream)
{
  // The form is read twice: a sequential device is read into memory first.
  QBuffer Copy;
  QIODevice* D = &Rereadable(Stream, Copy);
  const qint64 Start = D->pos();
  ReadTwice(*this, FReadWarnings, [&](TGraphRead& Read) {
    if (!D->seek(Start)) throw EGvReadError(QStringLiteral("Stream cannot be rewound"));
    TGvStreamReader R(*D);
    ReadGraphStream(Read, R);
  });
}

void TGvGraph2D::ReadFrom(const QString& FileName)
{
  QFile F(FileName);
  if (!F.open(QIODevice::ReadOnly))
    throw EGvReadError(QStringLiteral("Cannot open file \"%1\"").arg(FileName));
  ReadFrom(static_cast<QIODevice&>(F));
}

// ---- XML --------------------------------------------------------------------------

namespace {

QDomElement Group(QDomElement& Parent, const char* Name, int Count)
{
  QDomElement E = Parent.ownerDocument().createElement(QLatin1String(Name));
  E.setAttribute(Str("Count"), Count);
  Parent.appendChild(E);
  return E;
}

// The children of a group element, checked against its count.
std::vector<QDomElement> Members(const QDomElement& Parent, const char* Name)
{
  std::vector<QDomElement> R;
  const QDomElement E = Parent.firstChildElement(QLatin1String(Name));
  if (E.isNull()) return R;
  for (QDomElement C = E.firstChildElement(); !C.isNull(); C = C.nextSiblingElement())
    R.push_back(C);
  int Count = int(R.size());
  XmlRead(E, Str("Count"), Count);
  if (Count != int(R.size()))
    throw EGvReadError(QStringLiteral("%1: count %2 differs from the %3 elements")
                           .arg(QLatin1String(Name))
                           .arg(Count)
                           .arg(R.size()));
  return R;
}

void ReadGraphXml(TGraphRead& Read, const QDomElement& Node)
{
  const QString SavedRef = Node.attribute(Str("Name"));
  if (!Read.Checking() && !SavedRef.isEmpty()) Read.C.Bind(SavedRef, &Read.G);
  // The values are included when the form says so, or, in a form without
  // that flag, when it holds the vectors.
  bool IncludeValues = false;
  XmlRead(Node, Str("IncludeValues"), IncludeValues);
  IncludeValues = IncludeValues || !Node.firstChildElement(Str("Vectors")).isNull();
  if (IncludeValues)
    for (const QDomElement& E : Members(Node, "Vectors")) {
      if (E.tagName() != QLatin1String("TGvDoubleVector")) {
        Read.C.Warn(
            QStringLiteral("Unknown vector element \"%1\" left out").arg(E.tagName().left(64)));
        continue;
      }
      Read.Vector(E.attribute(Str("Name")))->ReadFrom(E);
    }
  for (const QDomElement& E : Members(Node, "Axes")) {
    if (E.tagName() != QLatin1String("TGvAxis")) {
      Read.C.Warn(QStringLiteral("Unknown axis element \"%1\" left out").arg(E.tagName().left(64)));
      continue;
    }
    Read.Axis(E.attribute(Str("Name")))->ReadFrom(E, IncludeValues, &Read.C);
  }
  for (const QDomElement& E : Members(Node, "RelatedSeries")) {
    TGvSeries* S = Read.NewSeries(E.tagName(), E.attribute(Str("Name")));
    if (!S) {
      Read.C.Warn(QStringLiteral("Unknown series class \"%1\" left out").arg(E.tagName().left(64)));
      continue;
    }
    Read.With(S, [&] { S->ReadUnchecked(E); });
  }
  for (const QDomElement& E : Members(Node, "RelatedLegends")) {
    if (E.tagName() != QLatin1String("TGvLegend")) {
      Read.C.Warn(
          QStringLiteral("Unknown legend element \"%1\" left out").arg(E.tagName().left(64)));
      continue;
    }
    TGvLegend* L = Read.Legend(E.attribute(Str("Name")));
    Read.With(L, [&] { L->ReadUnchecked(E); });
  }
  if (!Members(Node, "Markers").empty())
    Read.C.Warn(QStringLiteral("Markers cannot be read yet: left out"));
  TGraphForm F(Read.G);
  F.Read(Node);
  F.Check();
  if (!Read.Checking()) F.Apply(Read.G, Read.C);
}

} // namespace

void TGvGraph2D::WriteTo(QDomElement& Node, bool IncludeValues) const
{
  QDomElement E = Node.ownerDocument().createElement(Str("TGvGraph2D"));
  Node.appendChild(E);
  E.setAttribute(Str("Name"), GetComponentRef(this));
  XmlWrite(E, Str("IncludeValues"), IncludeValues);
  if (IncludeValues) {
    const std::vector<TGvDoubleVector*> Vectors = SavedVectors(*this);
    QDomElement V = Group(E, "Vectors", int(Vectors.size()));
    for (const TGvDoubleVector* Vec : Vectors) Vec->WriteTo(V);
  }
  const std::vector<TGvAxis*> Axes = SavedAxes(*this);
  QDomElement A = Group(E, "Axes", int(Axes.size()));
  for (const TGvAxis* Axis : Axes) Axis->WriteTo(A);
  const std::vector<TGvSeries*> Series = SavedSeries(*this);
  QDomElement S = Group(E, "RelatedSeries", int(Series.size()));
  for (const TGvSeries* One : Series) One->WriteTo(S);
  const std::vector<TGvLegend*> Legends = SavedLegends(*this);
  QDomElement L = Group(E, "RelatedLegends", int(Legends.size()));
  for (const TGvLegend* One : Legends) One->WriteTo(L);
  Group(E, "Markers", 0);
  TGraphForm(*this).Write(E);
}

void TGvGraph2D::ReadFrom(const QDomElement& Node)
{
  if (Node.tagName() != QLatin1String("TGvGraph2D"))
    throw EGvReadError(
        QStringLiteral("Element \"%1\" is not a graph").arg(Node.tagName().left(64)));
  ReadTwice(*this, FReadWarnings, [&](TGraphRead& Read) { ReadGraphXml(Read, Node); });
}

// ---- Ini -----------------------------------------------------------------------------

namespace {

QString ObjectSection(const QString& Section, const char* Kind, int I)
{
  return Section + QStringLiteral(".%1(%2)").arg(QLatin1String(Kind)).arg(I);
}

// A count of sections of one kind: each must be there, so a count beyond the
// file's sections is refused before anything is read.
int SectionCount(const TGvIniFile& Ini, const QString& Section, const char* Kind)
{
  int N = 0;
  IniRead(Ini, Section, QStringLiteral("%1.Count").arg(QLatin1String(Kind)), N);
  if (N < 0 || N > Ini.Sections().size())
    throw EGvReadError(QStringLiteral("Invalid %1 count %2 in section [%3]")
                           .arg(QLatin1String(Kind))
                           .arg(N)
                           .arg(Section));
  for (int I = 0; I < N; ++I)
    if (!Ini.SectionExists(ObjectSection(Section, Kind, I)))
      throw EGvReadError(
          QStringLiteral("Section [%1] not found").arg(ObjectSection(Section, Kind, I)));
  return N;
}

void ReadGraphIni(TGraphRead& Read, const TGvIniFile& Ini, const QString& Section)
{
  if (!Ini.SectionExists(Section))
    throw EGvReadError(QStringLiteral("Section \"%1\" not found").arg(Section));
  QString SavedRef;
  IniRead(Ini, Section, Str("Name"), SavedRef);
  if (!Read.Checking() && !SavedRef.isEmpty()) Read.C.Bind(SavedRef, &Read.G);
  // The values are included when the form says so, or, in a form without
  // that flag, when it counts vectors.
  bool IncludeValues = false;
  IniRead(Ini, Section, Str("IncludeValues"), IncludeValues);
  int VectorCount = 0;
  IniRead(Ini, Section, Str("Vectors.Count"), VectorCount);
  IncludeValues = IncludeValues || VectorCount != 0;
  if (IncludeValues) {
    const int N = SectionCount(Ini, Section, "Vectors");
    for (int I = 0; I < N; ++I) {
      const QString Sec = ObjectSection(Section, "Vectors", I);
      QString Ref;
      IniRead(Ini, Sec, Str("Name"), Ref);
      Read.Vector(Ref)->ReadFrom(Ini, Sec);
    }
  }
  const int Axes = SectionCount(Ini, Section, "Axes");
  for (int I = 0; I < Axes; ++I) {
    const QString Sec = ObjectSection(Section, "Axes", I);
    QString Ref;
    IniRead(Ini, Sec, Str("Name"), Ref);
    Read.Axis(Ref)->ReadFrom(Ini, Sec, IncludeValues, &Read.C);
  }
  const int Series = SectionCount(Ini, Section, "RelatedSeries");
  for (int I = 0; I < Series; ++I) {
    const QString Sec = ObjectSection(Section, "RelatedSeries", I);
    QString Ref;
    IniRead(Ini, Sec, Str("Name"), Ref);
    const QString Class = Ini.ReadString(Sec, Str("Type"), QString());
    TGvSeries* S = Read.NewSeries(Class, Ref);
    if (!S) {
      Read.C.Warn(QStringLiteral("Unknown series class \"%1\" left out").arg(Class.left(64)));
      continue;
    }
    Read.With(S, [&] { S->ReadUnchecked(Ini, Sec); });
  }
  const int Legends = SectionCount(Ini, Section, "RelatedLegends");
  for (int I = 0; I < Legends; ++I) {
    const QString Sec = ObjectSection(Section, "RelatedLegends", I);
    QString Ref;
    IniRead(Ini, Sec, Str("Name"), Ref);
    TGvLegend* L = Read.Legend(Ref);
    Read.With(L, [&] { L->ReadUnchecked(Ini, Sec); });
  }
  {
    int N = 0;
    IniRead(Ini, Section, Str("Markers.Count"), N);
    if (N != 0) Read.C.Warn(QStringLiteral("Markers cannot be read yet: left out"));
  }
  TGraphForm F(Read.G);
  F.Read(Ini, Section);
  F.Check();
  if (!Read.Checking()) F.Apply(Read.G, Read.C);
}

} // namespace

void TGvGraph2D::WriteTo(TGvIniFile& Ini, const QString& Section, bool IncludeValues) const
{
  IniWriteText(Ini, Section, Str("Name"), GetComponentRef(this));
  Ini.WriteBool(Section, Str("IncludeValues"), IncludeValues);
  const std::vector<TGvDoubleVector*> Vectors =
      IncludeValues ? SavedVectors(*this) : std::vector<TGvDoubleVector*>();
  const std::vector<TGvAxis*> Axes = SavedAxes(*this);
  const std::vector<TGvSeries*> Series = SavedSeries(*this);
  const std::vector<TGvLegend*> Legends = SavedLegends(*this);
  Ini.WriteInteger(Section, Str("Vectors.Count"), int(Vectors.size()));
  Ini.WriteInteger(Section, Str("Axes.Count"), int(Axes.size()));
  Ini.WriteInteger(Section, Str("RelatedSeries.Count"), int(Series.size()));
  Ini.WriteInteger(Section, Str("RelatedLegends.Count"), int(Legends.size()));
  Ini.WriteInteger(Section, Str("Markers.Count"), 0);
  for (size_t I = 0; I < Vectors.size(); ++I)
    Vectors[I]->WriteTo(Ini, ObjectSection(Section, "Vectors", int(I)));
  for (size_t I = 0; I < Axes.size(); ++I)
    Axes[I]->WriteTo(Ini, ObjectSection(Section, "Axes", int(I)));
  for (size_t I = 0; I < Series.size(); ++I)
    Series[I]->WriteTo(Ini, ObjectSection(Section, "RelatedSeries", int(I)));
  for (size_t I = 0; I < Legends.size(); ++I)
    Legends[I]->WriteTo(Ini, ObjectSection(Section, "RelatedLegends", int(I)));
  TGraphForm(*this).Write(Ini, Section);
}

void TGvGraph2D::ReadFrom(const TGvIniFile& Ini, const QString& Section)
{
  ReadTwice(*this, FReadWarnings, [&](TGraphRead& Read) { ReadGraphIni(Read, Ini, Section); });
}
