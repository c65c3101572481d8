// Components with names and owners, and the application registry of open forms and data modules.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zv {

enum class Operation { Insert, Remove };

// A named object with an owner. The owner frees its owned components (in reverse order) when it
// is destroyed. Components that asked for it are told when another component goes away.
class Component {
public:
    explicit Component(Component* owner = nullptr);
    virtual ~Component();
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    const std::string& name() const { return name_; }
    virtual void setName(std::string name) { name_ = std::move(name); }
    Component* owner() const { return owner_; }
    const std::vector<Component*>& components() const { return components_; }
    // The owned component with this name, without regard to case; none if absent.
    Component* findComponent(std::string_view name) const;
    // The class name as the window description and error texts spell it ("TzvReport").
    virtual std::string className() const { return "TComponent"; }

    // Ask to be told (notification(c, Remove)) when c is destroyed; both directions are undone
    // automatically when either side goes away.
    void freeNotification(Component* c);
    void removeFreeNotification(Component* c);

    // Frees the owned components now, last first. The destructor does it too; a derived class
    // calls it from its own destructor when its owned components must go while it is still whole.
    void destroyComponents();

protected:
    virtual void notification(Component* c, Operation op);

private:
    void insertComponent(Component* c);
    void removeComponent(Component* c);

    std::string name_;
    Component* owner_ = nullptr;
    std::vector<Component*> components_;
    std::vector<Component*> freeNotifies_;
};

// The open forms and data modules of the application, in the order they were created.
// Forms and data modules register themselves when created and unregister when destroyed.
class ApplicationRegistry {
public:
    static ApplicationRegistry& instance();

    void addForm(Component* form);
    void addDataModule(Component* module);
    void remove(Component* c);
    const std::vector<Component*>& forms() const { return forms_; }
    const std::vector<Component*>& dataModules() const { return dataModules_; }

    // A global component: a form or data module whose name matches (without regard to case).
    Component* findGlobalComponent(std::string_view name) const;
    // "Owner.Component" resolution: the owner among forms then data modules, then its owned
    // component; a name without a dot is looked up as a global component.
    Component* findQualified(std::string_view qualifiedName) const;

private:
    std::vector<Component*> forms_;
    std::vector<Component*> dataModules_;
};

}  // namespace zv
