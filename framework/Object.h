// The root of the framework's objects that can name their own class at run time, so code holding a
// base pointer can ask whether it really points at a given derived class.
#pragma once

struct CRuntimeClass {
    const char* m_lpszClassName;
    const CRuntimeClass* m_pBaseClass;  // nullptr for CObject itself

    bool IsDerivedFrom(const CRuntimeClass* base) const {
        for (const CRuntimeClass* each = this; each; each = each->m_pBaseClass)
            if (each == base)
                return true;
        return false;
    }
};

class CObject {
public:
    static const CRuntimeClass runtimeClass;

    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const { return &runtimeClass; }
    bool IsKindOf(const CRuntimeClass* target) const { return GetRuntimeClass()->IsDerivedFrom(target); }
};

inline const CRuntimeClass CObject::runtimeClass{"CObject", nullptr};

// The class record of T, for IsKindOf: RuntimeClassOf<KalMenu>().
template <class T>
const CRuntimeClass* RuntimeClassOf() {
    return &T::runtimeClass;
}
