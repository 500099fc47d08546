#pragma once
// The accuracy test window beside the main window, on a virtual controller
// that sends its touches at 200 a second while X packets are asked for.

#include <memory>

#include "T860Util/Accuracy.h"
#include "tests/T860Util/AppFixture.h"

class AccuracyFixture : public AppFixture {
protected:
    ControllerConfig Config() const override {
        ControllerConfig config = AppFixture::Config();
        config.touchReportsPerSecond = 200;
        return config;
    }

    void SetUp() override {
        AppFixture::SetUp();
        CreateWindows();
        accuracy_ = std::make_unique<TfrmAccuracy>(main_.get());
        frmAccuracy = accuracy_.get();
    }

    void TearDown() override {
        AppFixture::TearDown();  // device access ends before the window goes
        accuracy_.reset();
    }

    // The technician's script played at the controller's touch rate.
    void PlayTechnician(const TechnicianConfig& technician) {
        controller_->PlayTechnician(std::make_shared<TechnicianScript>(
            technician, controller_->Config().touchReportsPerSecond));
    }

    std::unique_ptr<TfrmAccuracy> accuracy_;
};
