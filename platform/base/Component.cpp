// Components with names and owners, free notifications, and the application registry.
#include "platform/base/Component.h"

#include <algorithm>

#include "platform/base/Text.h"

namespace zv {
namespace {

void Erase(std::vector<Component*>& v, Component* c)
{
    auto it = std::find(v.begin(), v.end(), c);
    if (it != v.end()) v.erase(it);
}

}  // namespace

Component::Component(Component* owner)
{
    if (owner) owner->insertComponent(this);
}

Component::~Component()
{
    // Tell everyone linked to us, and take us off their lists, before anything else goes.
    while (!freeNotifies_.empty()) {
        Component* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        Erase(other->freeNotifies_, this);
        other->notification(this, Operation::Remove);
    }
    destroyComponents();
    if (owner_) owner_->removeComponent(this);
    ApplicationRegistry::instance().remove(this);
}

void Component::destroyComponents()
{
    while (!components_.empty()) {
        // Detach first, so the child does not come back to a list we are walking.
        Component* c = components_.back();
        components_.pop_back();
        c->owner_ = nullptr;
        delete c;
    }
}

Component* Component::findComponent(std::string_view name) const
{
    if (name.empty()) return nullptr;
    for (Component* c : components_)
        if (SameText(c->name(), name)) return c;
    return nullptr;
}

void Component::freeNotification(Component* c)
{
    if (!c || c == this) return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), c) == freeNotifies_.end()) freeNotifies_.push_back(c);
    if (std::find(c->freeNotifies_.begin(), c->freeNotifies_.end(), this) == c->freeNotifies_.end())
        c->freeNotifies_.push_back(this);
}

void Component::removeFreeNotification(Component* c)
{
    if (!c) return;
    Erase(freeNotifies_, c);
    Erase(c->freeNotifies_, this);
}

void Component::notification(Component*, Operation) {}

void Component::insertComponent(Component* c)
{
    components_.push_back(c);
    c->owner_ = this;
    notification(c, Operation::Insert);
}

void Component::removeComponent(Component* c)
{
    Erase(components_, c);
    c->owner_ = nullptr;
    notification(c, Operation::Remove);
}

// --- ApplicationRegistry ------------------------------------------------------------------------

ApplicationRegistry& ApplicationRegistry::instance()
{
    // Never destroyed: components that outlive static destruction still unregister safely.
    static ApplicationRegistry* registry = new ApplicationRegistry;
    return *registry;
}

void ApplicationRegistry::addForm(Component* form)
{
    if (form && std::find(forms_.begin(), forms_.end(), form) == forms_.end()) forms_.push_back(form);
}

void ApplicationRegistry::addDataModule(Component* module)
{
    if (module && std::find(dataModules_.begin(), dataModules_.end(), module) == dataModules_.end())
        dataModules_.push_back(module);
}

void ApplicationRegistry::remove(Component* c)
{
    Erase(forms_, c);
    Erase(dataModules_, c);
}

Component* ApplicationRegistry::findGlobalComponent(std::string_view name) const
{
    if (name.empty()) return nullptr;
    for (Component* c : forms_)
        if (SameText(c->name(), name)) return c;
    for (Component* c : dataModules_)
        if (SameText(c->name(), name)) return c;
    return nullptr;
}

Component* ApplicationRegistry::findQualified(std::string_view qualifiedName) const
{
    size_t dot = qualifiedName.find('.');
    if (dot == std::string_view::npos) return findGlobalComponent(qualifiedName);
    Component* c = findGlobalComponent(qualifiedName.substr(0, dot));
    // Further dots walk down owned components: "Form.Frame.Table".
    while (c && dot != std::string_view::npos) {
        qualifiedName.remove_prefix(dot + 1);
        dot = qualifiedName.find('.');
        c = c->findComponent(qualifiedName.substr(0, dot));
    }
    return c;
}

}  // namespace zv
