/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#pragma once

class EventTreeItem;

// The properties every event tree keeps, whatever the catalogue held.
namespace CatalogueCheck
{
// Every child knows its parent and its row; every dependency link has its
// way back.
void checkLinks(const EventTreeItem &root);
// checkLinks(), and a clone of the tree is equal to it in every field and
// link.
void checkTree(const EventTreeItem &root);
}
