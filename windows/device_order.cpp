#include "device_order.h"

std::vector<std::size_t> device_order(const std::vector<std::wstring>& active_ids, const std::wstring& default_id)
{
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < active_ids.size(); ++i)
        if (active_ids[i] == default_id)
            order.insert(order.begin(), i);
        else
            order.push_back(i);
    return order;
}
