#pragma once

// Opens the feedback dialog, themed and given the product data and links.
class FeedbackManager {
public:
    static void showFeedback();
};
