// Virtual time for transactions on real serial lines (pseudo-terminals with a
// device server on their far end). Every wait moves the clock on by its
// length. While a transaction waits for its reply (between the request
// written through a TPacedTransport and the end of the transaction, on the
// thread that wrote it), its short waits (10 ms or less: the polls) also pass
// in real time, so that the server's thread answers meanwhile; other short
// waits pass at once, longer ones in 1 ms of real time. AfterSleep runs after
// every wait (on the thread that waited): a server that sends replies late by
// this clock delivers those whose time has come (TImaginaryMixerServer::
// DeliverDue), so that they are on the line when the time is.
#pragma once

#include "devices/SerialTransport.h"

#include <QThread>
#include <functional>
#include <memory>

// Whether the calling thread's transaction waits for a reply.
inline bool& AwaitingReply()
{
  static thread_local bool awaiting = false;
  return awaiting;
}

template <class TBase> class TPaced : public TBase
{
public:
  std::function<void()> AfterSleep;

  void Sleep(unsigned Ms) override
  {
    TBase::Sleep(Ms);
    if (Ms > 10)
      QThread::usleep(1000);
    else if (AwaitingReply())
      QThread::usleep(Ms * 1000);
    if (AfterSleep) AfterSleep();
  }
};

// The serial ports of the system, telling TPaced when a reply is awaited.
class TPacedTransport : public TSerialTransport
{
public:
  std::unique_ptr<TSerialLine> Open(const QString& Port, TClock& Clock) override
  {
    std::unique_ptr<TSerialLine> line = QtSerialTransport().Open(Port, Clock);
    return line ? std::make_unique<TLine>(std::move(line)) : nullptr;
  }

private:
  class TLine : public TSerialLine
  {
  public:
    explicit TLine(std::unique_ptr<TSerialLine> Inner) : FInner(std::move(Inner)) {}
    ~TLine() override { AwaitingReply() = false; }
    bool Configure(int B, int P, int S) override { return FInner->Configure(B, P, S); }
    bool SetTimeouts(const TSerialTimeouts& T) override { return FInner->SetTimeouts(T); }
    bool SetBuffers(unsigned I, unsigned O) override { return FInner->SetBuffers(I, O); }
    void DiscardInput() override { FInner->DiscardInput(); }
    bool Write(const uint8_t* Data, std::size_t Count) override
    {
      AwaitingReply() = true;
      return FInner->Write(Data, Count);
    }
    std::size_t BytesWaiting() override { return FInner->BytesWaiting(); }
    bool Read(uint8_t* Buffer, std::size_t MaxCount, std::size_t& Count) override
    {
      return FInner->Read(Buffer, MaxCount, Count);
    }
    void Close() override
    {
      AwaitingReply() = false;
      FInner->Close();
    }

  private:
    std::unique_ptr<TSerialLine> FInner;
  };
};
