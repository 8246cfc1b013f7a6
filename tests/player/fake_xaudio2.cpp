#include "fake_xaudio2.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// "name(a, b, c)", null pointers shown as 0.
template <class... Args>
std::string call(const std::string& name, const Args&... args)
{
    std::ostringstream out;
    out << name << "(";
    [[maybe_unused]] const char* separator = "";
    ((out << separator << args, separator = ", "), ...);
    out << ")";
    return out.str();
}

class fake_source_voice final : public IXAudio2SourceVoice {
public:
    fake_source_voice(fake_audio& audio, int number) : audio_(audio), name_("voice" + std::to_string(number) + ".")
    {
        ++audio_.live_source_voices;
    }

    HRESULT Start(UINT32 flags, UINT32 operation_set) override
    {
        audio_.calls.push_back(call(name_ + "Start", flags, operation_set));
        return audio_.script.start;
    }
    HRESULT Stop(UINT32 flags, UINT32 operation_set) override
    {
        audio_.calls.push_back(call(name_ + "Stop", flags, operation_set));
        return audio_.script.stop;
    }
    HRESULT SubmitSourceBuffer(const XAUDIO2_BUFFER* buffer, const XAUDIO2_BUFFER_WMA* wma) override
    {
        audio_.submitted = buffer;
        audio_.calls.push_back(call(name_ + "SubmitSourceBuffer", buffer->Flags, static_cast<const void*>(wma)));
        return audio_.script.submit;
    }
    HRESULT FlushSourceBuffers() override
    {
        audio_.calls.push_back(call(name_ + "FlushSourceBuffers"));
        return S_OK;
    }
    void DestroyVoice() override
    {
        audio_.calls.push_back(call(name_ + "DestroyVoice"));
        --audio_.live_source_voices;
        delete this;
    }

private:
    ~fake_source_voice() = default;
    fake_audio& audio_;
    std::string name_;
};

class fake_mastering_voice final : public IXAudio2MasteringVoice {
public:
    void DestroyVoice() override { delete this; }

private:
    ~fake_mastering_voice() = default;
};

class fake_engine final : public IXAudio2 {
public:
    explicit fake_engine(fake_audio& audio) : audio_(audio) { ++audio_.live_engines; }

    HRESULT QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG AddRef() override { return ++references_; }
    ULONG Release() override
    {
        audio_.calls.push_back(call("Release"));
        if (--references_ > 0)
            return references_;
        if (master_ != nullptr)
            master_->DestroyVoice();
        --audio_.live_engines;
        delete this;
        return 0;
    }
    HRESULT GetDeviceCount(UINT32* count) override
    {
        audio_.calls.push_back(call("GetDeviceCount"));
        *count = static_cast<UINT32>(audio_.script.device_channels.size());
        return S_OK;
    }
    HRESULT GetDeviceDetails(UINT32 index, XAUDIO2_DEVICE_DETAILS* details) override
    {
        audio_.calls.push_back(call("GetDeviceDetails", index));
        details->OutputFormat.Format.nChannels = audio_.script.device_channels.at(index);
        return S_OK;
    }
    HRESULT Initialize(UINT32 flags, XAUDIO2_PROCESSOR processor) override
    {
        audio_.calls.push_back(call("Initialize", flags, processor));
        return audio_.script.initialize;
    }
    HRESULT CreateSourceVoice(IXAudio2SourceVoice** voice, const WAVEFORMATEX* format, UINT32 flags, float ratio,
                              IXAudio2VoiceCallback* callback, const XAUDIO2_VOICE_SENDS* sends,
                              const XAUDIO2_EFFECT_CHAIN* effects) override
    {
        audio_.calls.push_back(call("CreateSourceVoice", flags, ratio, static_cast<const void*>(callback),
                                    static_cast<const void*>(sends), static_cast<const void*>(effects)));
        audio_.source_format = format;
        if (SUCCEEDED(audio_.script.source_voice))
            *voice = new fake_source_voice(audio_, ++voices_made_);
        return audio_.script.source_voice;
    }
    HRESULT CreateMasteringVoice(IXAudio2MasteringVoice** voice, UINT32 channels, UINT32 rate, UINT32 flags,
                                 UINT32 device, const XAUDIO2_EFFECT_CHAIN* effects) override
    {
        audio_.calls.push_back(
            call("CreateMasteringVoice", channels, rate, flags, device, static_cast<const void*>(effects)));
        if (SUCCEEDED(audio_.script.mastering_voice))
            *voice = master_ = new fake_mastering_voice;
        return audio_.script.mastering_voice;
    }

private:
    ~fake_engine() = default;
    fake_audio& audio_;
    ULONG references_ = 1;
    int voices_made_ = 0;
    IXAudio2MasteringVoice* master_ = nullptr;
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
        audio_.calls.push_back(call("CreateInstance", static_cast<const void*>(outer),
                                    riid == IID_IXAudio2 ? "IXAudio2" : "other"));
        if (SUCCEEDED(audio_.script.create))
            *object = static_cast<IXAudio2*>(new fake_engine(audio_));
        return audio_.script.create;
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
