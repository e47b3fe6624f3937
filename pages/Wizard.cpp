#include "pages/Wizard.h"

#include "pages/Form1.h"
#include "pages/Form2.h"
#include "pages/Form3.h"
#include "pages/Form4.h"

namespace tarnwick::pages {

Wizard::Wizard() : form1_(std::make_unique<Form1>(*this)) {
    state_.readLoginFields = [this] { return form1_->LoginValues(); };
}

// Pages go in the reverse order of their creation.
Wizard::~Wizard() {
    form4_.reset();
    form3_.reset();
    form2_.reset();
    form1_.reset();
}

void Wizard::Start() {
    form1_->Form_Load();
    const bool handedOver = form2_ != nullptr && form2_->isVisible();
    if (!handedOver) form1_->ShowPage();
}

Form2& Wizard::TablePage() {
    if (!form2_) {
        form2_ = std::make_unique<Form2>(*this);
        form2_->Form_Load();
    }
    return *form2_;
}

Form3& Wizard::FieldPage() {
    if (!form3_) {
        form3_ = std::make_unique<Form3>(*this);
        form3_->Form_Load();
    }
    return *form3_;
}

Form4& Wizard::ResultPage() {
    if (!form4_) {
        form4_ = std::make_unique<Form4>(*this);
        form4_->Form_Load();
    }
    return *form4_;
}

}  // namespace tarnwick::pages
