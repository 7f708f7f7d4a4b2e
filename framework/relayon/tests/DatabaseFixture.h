// A fresh database with one layer and the managers around it, for the
// database's tests; everything is reset afterwards.
#pragma once

#include "framework/looker/AppSlots.h"
#include "framework/looker/QVGlobal.h"
#include "framework/relayon/Action.h"
#include "framework/relayon/DBase.h"

#include <gtest/gtest.h>

class DatabaseFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        gNewQVGlobal()->SetVersion(kDocVersionCurrent);
        qvCreateAllManager();
        CDbEntity::SetMaxHandle(0);
        geometry::testing::SetLayerCounter(0);
        CLayer::SetCurrentLayerID(0);
        CDBase::Instance()->InitLayer();
    }
    void TearDown() override
    {
        qvClearAllManager();
        looker::testing::ResetAppSlots();
        looker::testing::ResetQVGlobal();
    }
};
