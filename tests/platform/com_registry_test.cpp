#include <objbase.h>
#include <xaudio2.h>

#include <gtest/gtest.h>

namespace {

inline constexpr CLSID CLSID_Unknown = {0x12345678, 0x0000, 0x0000, {0, 0, 0, 0, 0, 0, 0, 1}};

// A class object whose objects are the factory itself; it counts its
// references and the objects it was asked for.
class counting_factory final : public IClassFactory {
public:
    HRESULT QueryInterface(REFIID riid, void** ppvObject) override
    {
        if (riid != IID_IUnknown && riid != IID_IClassFactory)
            return E_NOINTERFACE;
        AddRef();
        *ppvObject = this;
        return S_OK;
    }
    ULONG AddRef() override { return ++references; }
    ULONG Release() override { return --references; }
    HRESULT CreateInstance(IUnknown*, REFIID, void** ppvObject) override
    {
        ++created;
        AddRef();
        *ppvObject = this;
        return S_OK;
    }

    ULONG references = 1;
    int created = 0;
};

TEST(ComRegistry, UnknownClassIsNotRegistered)
{
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_Unknown, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
}

TEST(ComRegistry, RegisteredClassObjectOverridesTheBuiltInClassUntilRevoked)
{
    counting_factory factory;
    DWORD cookie = 0;
    ASSERT_EQ(CoRegisterClassObject(CLSID_XAudio2, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);
    EXPECT_EQ(factory.references, 2u) << "the registration holds a reference";

    void* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2, &object), S_OK);
    EXPECT_EQ(object, &factory);
    EXPECT_EQ(factory.created, 1);
    factory.Release();

    ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
    EXPECT_EQ(factory.references, 1u);
    EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);

    IXAudio2* engine = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IXAudio2,
                               reinterpret_cast<void**>(&engine)),
              S_OK);
    EXPECT_NE(static_cast<void*>(engine), static_cast<void*>(&factory));
    EXPECT_EQ(factory.created, 1);
    engine->Release();
}

TEST(ComRegistry, BuiltInEngineRefusesAggregationAndForeignInterfaces)
{
    counting_factory outer;
    void* object = &object;
    EXPECT_EQ(CoCreateInstance(CLSID_XAudio2, &outer, CLSCTX_INPROC_SERVER, IID_IXAudio2, &object),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoCreateInstance(CLSID_XAudio2, nullptr, CLSCTX_INPROC_SERVER, IID_IClassFactory, &object),
              E_NOINTERFACE);
    EXPECT_EQ(object, nullptr);
}

}  // namespace
