#include "fake_xaudio2.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string describe_iid(REFIID iid)
{
    return iid == IID_IXAudio2 ? "IXAudio2" : "other";
}

class fake_voice final : public IXAudio2SourceVoice, public IXAudio2MasteringVoice {
public:
    fake_voice(fake_audio& audio, std::string name) : audio_(audio), name_(std::move(name)) { ++audio_.log.live_voices; }

    HRESULT Start(UINT32 flags, UINT32 operation_set) override
    {
        record("Start(" + std::to_string(flags) + ", " + std::to_string(operation_set) + ")");
        return audio_.script.start;
    }
    HRESULT Stop(UINT32 flags, UINT32 operation_set) override
    {
        record("Stop(" + std::to_string(flags) + ", " + std::to_string(operation_set) + ")");
        return audio_.script.stop;
    }
    HRESULT SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer, const XAUDIO2_BUFFER_WMA* wma) override
    {
        audio_.log.submitted = buffer;
        record("SubmitSourceBuffer(flags " + std::to_string(buffer->Flags) + ", wma " +
               (wma == nullptr ? "null" : "set") + ")");
        return audio_.script.submit;
    }
    HRESULT FlushSourceBuffers() override
    {
        record("FlushSourceBuffers");
        return S_OK;
    }
    void DestroyVoice() override
    {
        record("DestroyVoice");
        --audio_.log.live_voices;
        delete this;
    }

private:
    ~fake_voice() = default;
    void record(const std::string& call) { audio_.log.calls.push_back(name_ + "." + call); }

    fake_audio& audio_;
    std::string name_;
};

class fake_engine final : public IXAudio2 {
public:
    explicit fake_engine(fake_audio& audio) : audio_(audio) { ++audio_.log.live_engines; }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        audio_.log.calls.push_back("Release");
        if (--references_ > 0)
            return references_;
        --audio_.log.live_engines;
        delete this;
        return 0;
    }
    HRESULT GetDeviceCount(UINT32* count) override
    {
        audio_.log.calls.push_back("GetDeviceCount");
        *count = static_cast<UINT32>(audio_.script.device_channels.size());
        return S_OK;
    }
    HRESULT GetDeviceDetails(UINT32 index, XAUDIO2_DEVICE_DETAILS* details) override
    {
        audio_.log.calls.push_back("GetDeviceDetails(" + std::to_string(index) + ")");
        details->OutputFormat.Format.nChannels = audio_.script.device_channels.at(index);
        return S_OK;
    }
    HRESULT Initialize(UINT32 flags, XAUDIO2_PROCESSOR processor) override
    {
        audio_.log.calls.push_back("Initialize(" + std::to_string(flags) + ", " + std::to_string(processor) + ")");
        return audio_.script.initialize;
    }
    HRESULT CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags, float ratio,
                              IXAudio2VoiceCallback* callback, const XAUDIO2_VOICE_SENDS* sends,
                              const XAUDIO2_EFFECT_CHAIN* effects) override
    {
        std::ostringstream call;
        call << "CreateSourceVoice(flags " << flags << ", ratio " << ratio << ", callback " << callback << ", sends "
             << sends << ", effects " << effects << ")";
        audio_.log.calls.push_back(call.str());
        audio_.log.source_format = format;
        if (FAILED(audio_.script.source_voice))
            return audio_.script.source_voice;
        *voice = new fake_voice(audio_, "voice" + std::to_string(++voices_made_));
        return S_OK;
    }
    HRESULT CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels, UINT32 rate, UINT32 flags,
                                 UINT32 device, const XAUDIO2_EFFECT_CHAIN* effects) override
    {
        std::ostringstream call;
        call << "CreateMasteringVoice(channels " << channels << ", rate " << rate << ", flags " << flags
             << ", device " << device << ", effects " << effects << ")";
        audio_.log.calls.push_back(call.str());
        if (FAILED(audio_.script.mastering_voice))
            return audio_.script.mastering_voice;
        master_ = new fake_voice(audio_, "master");
        *voice = master_;
        return S_OK;
    }

private:
    ~fake_engine()
    {
        if (master_ != nullptr)
            static_cast<IXAudio2MasteringVoice*>(master_)->DestroyVoice();
    }

    fake_audio& audio_;
    ULONG references_ = 1;
    int voices_made_ = 0;
    fake_voice* master_ = nullptr;
};

class fake_factory final : public IClassFactory {
public:
    explicit fake_factory(fake_audio& audio) : audio_(audio) {}

    HRESULT QueryInterface(REFIID riid, void** object) override
    {
        if (riid != IID_IClassFactory)
            return E_NOINTERFACE;
        AddRef();
        *object = this;
        return S_OK;
    }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        if (--references_ > 0)
            return references_;
        delete this;
        return 0;
    }
    HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** object) override
    {
        audio_.log.calls.push_back(std::string("CreateInstance(outer ") + (outer == nullptr ? "null" : "set") +
                                   ", " + describe_iid(riid) + ")");
        if (FAILED(audio_.script.create))
            return audio_.script.create;
        *object = static_cast<IXAudio2*>(new fake_engine(audio_));
        return S_OK;
    }

private:
    ~fake_factory() = default;
    fake_audio& audio_;
    ULONG references_ = 1;
};

}  // namespace

fake_audio::fake_audio() : factory_(new fake_factory(*this))
{
    EXPECT_EQ(CoRegisterClassObject(CLSID_XAudio2, factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_), S_OK);
}

fake_audio::~fake_audio()
{
    CoRevokeClassObject(cookie_);
    factory_->Release();
}
