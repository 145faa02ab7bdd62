#pragma once
// TLAZSelectionViewC: the selection list in alphabetical sections with an
// A–Z index strip ("{search}", A … Z, "#").
//
// Sections follow the fetch order: an object's heading is the upper-cased
// first character of its label; a heading not seen yet opens a new
// section, and every object goes into the section opened last. With the
// labels apple, Banana, avocado (in that order): A [apple], B [Banana,
// avocado].
//
// Tapping an index title: "{search}" shows the search bar and scrolls to
// the top; a title that is a heading goes to its section; any other goes to
// the heading nearest in the strip (the first of two equally near), and to
// section 0 when no heading is in the strip at all:
//   E with B, G → G (2 against 3);  D with B, F → B (a tie);
//   # with A, Z → Z;  any letter with only "1" and "2" → section 0.
//
// While searching there is one section without headers or strip; a list
// that can create records shows "Create "<typed text>"" first.

#include <string>
#include <vector>

#include "Classes/shell/TLSelectionViewC.h"

namespace tallo {

class TLAZSelectionViewC : public TLSelectionViewC {
public:
    TLAZSelectionViewC();

    std::vector<std::vector<ManagedObject*>> sectionsArray;
    std::vector<std::string> sectionTitlesArray;
    std::vector<std::string> indexTitlesArray;
    int accessoryType = 0;  // 1: disclosure indicator

    // Each list says how its objects are labelled.
    virtual std::string getLabelAttributeValueFromObject(ManagedObject* object);
    std::string labelOfObject(ManagedObject* object) override { return getLabelAttributeValueFromObject(object); }
    std::vector<ManagedObject*> objectsArray() { return fetchedObjects(); }
    // Fetches and builds the sections.
    void createSections();
    // The section an index title leads to.
    int sectionForIndexTitle(const std::string& title, int index) const {
        return sectionForIndexTitle(sectionTitlesArray, indexTitlesArray, title, index);
    }
    // The section headed `title`, or else the one whose heading stands
    // nearest to position `index` of the strip `indexTitles` (0 when none
    // is in the strip): "M" tapped over sections A, L, P jumps to L.
    static int sectionForIndexTitle(const std::vector<std::string>& sectionTitles,
                                    const std::vector<std::string>& indexTitles, const std::string& title, int index);

    ManagedObject* objectAtIndexPath(IndexPath indexPath) override;
    void configureView() override;

    int numberOfSectionsInTableView(TableView&) override;
    int tableViewNumberOfRowsInSection(TableView&, int section) override;
    std::shared_ptr<TableViewCell> tableViewCellForRowAtIndexPath(TableView&, IndexPath indexPath) override;
    std::string tableViewTitleForHeaderInSection(TableView&, int section) override;
    std::vector<std::string> sectionIndexTitlesForTableView(TableView&) override;
    int tableViewSectionForSectionIndexTitleAtIndex(TableView& table, const std::string& title, int index) override;
    void tableViewDidSelectRowAtIndexPath(TableView& table, IndexPath indexPath) override;

private:
    // Rows before the found titles while searching (the "Create" row).
    int searchRowOffset() const { return canCreateRecord ? 1 : 0; }
};

}  // namespace tallo
