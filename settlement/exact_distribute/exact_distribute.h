// The distribution side of the settlement loop: distribute_Controller waits
// for the collected list, apportions it into `result`, prints the result,
// empties the list and hands it back to the collector.
#pragma once

// One distribution of the collected list: transferfilter, busfilter and
// metrofilter in this order. Prints the result and empties the list.
void distributeCollected();

// result := 0, then the journeys of the list are apportioned and removed.
void transferfilter();
// Every remaining BUS record's fee to the BUS total.
void busfilter();
// Every remaining METRO record's fee to the METRO total; prints the result
// and empties the list.
void metrofilter();

void distribute_Controller(void*);
