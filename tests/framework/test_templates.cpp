// The framework test program's own table of creatable classes. One row per test class; add
// rows for further test classes at the end.
#include "classfactory.h"
#include "lib/test_objects.h"

CFactoryTemplate g_Templates[] = {
    {L"Test object", &CLSID_TestObject, CTestObject::CreateInstance, RecordInitRoutine, nullptr},
    {L"Failing object", &CLSID_FailingObject, CFailingObject::CreateInstance, nullptr, nullptr},
    {L"Self-referencing object", &CLSID_SelfReferencingObject,
     CSelfReferencingObject::CreateInstance, nullptr, nullptr},
    {L"Null creation", &CLSID_NullCreation, CreateNothing, nullptr, nullptr},
    {L"Null creation with failure", &CLSID_NullCreationWithFailure, CreateNothingWithFailure,
     nullptr, nullptr},
    {L"Throwing creation", &CLSID_ThrowingCreation, CreateThrowing, nullptr, nullptr},
};
int g_cTemplates = sizeof(g_Templates) / sizeof(g_Templates[0]);
