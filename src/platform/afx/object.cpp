// CObject and its run-time class record. Neither exported class declares
// run-time class information of its own, so both report CObject's.
#include <brenvik/brenvik.h>

CRuntimeClass CObject::classCObject = {
    "CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr, nullptr};

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass *pBaseClass) const
{
    if (pBaseClass == nullptr)
        return FALSE;
    for (const CRuntimeClass *c = this; c != nullptr; c = c->m_pBaseClass) {
        if (c == pBaseClass)
            return TRUE;
    }
    return FALSE;
}

CObject::CObject() = default;

CObject::~CObject() = default;

CRuntimeClass *CObject::GetRuntimeClass() const
{
    return &classCObject;
}

void CObject::Serialize(CArchive & /*ar*/)
{
}

void CObject::AssertValid() const
{
}

void CObject::Dump(CDumpContext & /*dc*/) const
{
}

BOOL CObject::IsKindOf(const CRuntimeClass *pClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(pClass);
}
