#include <objbase.h>
#include <xaudio2.h>

#include <gtest/gtest.h>

namespace {

// A class object that hands out itself and counts its references.
class counting_factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID, void** ppvObject) override
    {
        AddRef();
        *ppvObject = this;
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT CreateInstance(IUnknown*, REFIID riid, void** ppvObject) override { return QueryInterface(riid, ppvObject); }

    ULONG references = 1;
};

TEST(ComRegistry, RegisteredClassObjectOverridesTheBuiltInClassUntilRevoked)
{
    counting_factory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_XAudio2, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2, &object), S_OK);
    EXPECT_EQ(object, &factory);
    EXPECT_EQ(factory.references, 3u) << "held by the registration and by the object handed out";
    factory.Release();
    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(factory.references, 1u);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);

    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2, &object), S_OK);
    EXPECT_NE(object, &factory) << "the built-in engine again";
    static_cast<IXAudio2*>(object)->Release();
}

TEST(ComRegistry, RefusesUnknownClassesAggregationAndForeignInterfaces)
{
    constexpr CLSID unknown = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    counting_factory outer;
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_XAudio2, &outer, CLSCTX_INPROC_SERVER, IID_IXAudio2, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
