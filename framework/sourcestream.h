#pragma once
// An output pin whose own worker thread fills and delivers samples.
#include "amthread.h"
#include "outputpin.h"

class CSource;

class CSourceStream : public CAMThread, public CBaseOutputPin {
public:
    enum Command : DWORD { CMD_INIT = 0, CMD_PAUSE = 1, CMD_RUN = 2, CMD_STOP = 3, CMD_EXIT = 4 };

    CSourceStream(const WCHAR* objectName, HRESULT* phr, CSource* filter, const WCHAR* pinName);
    ~CSourceStream() override;

    DWORD ThreadProc() override;
    virtual HRESULT FillBuffer(IMediaSample* pSample) = 0;
    virtual HRESULT OnThreadCreate() { return S_OK; }
    virtual HRESULT OnThreadDestroy() { return S_OK; }
    virtual HRESULT OnThreadStartPlay() { return S_OK; }
    virtual HRESULT DoBufferProcessingLoop();
    virtual HRESULT GetMediaType(COwnedMediaType* pmt);

    HRESULT Active() override;
    HRESULT Inactive() override;
    HRESULT CheckMediaType(const COwnedMediaType* pmt) override;
    HRESULT GetMediaType(int iPosition, COwnedMediaType* pmt) override;
    STDMETHODIMP QueryId(LPWSTR* Id) override;

    HRESULT Init() { return static_cast<HRESULT>(CallWorker(CMD_INIT)); }
    HRESULT Pause() { return static_cast<HRESULT>(CallWorker(CMD_PAUSE)); }
    HRESULT Stop() { return static_cast<HRESULT>(CallWorker(CMD_STOP)); }
    HRESULT Exit() { return static_cast<HRESULT>(CallWorker(CMD_EXIT)); }

protected:
    CSource* const sourceFilter;
};
