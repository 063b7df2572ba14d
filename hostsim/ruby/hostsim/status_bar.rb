module HostSim
  # SketchUp's status bar: the prompt text and the value box's label and value. Every
  # change is kept in order, clearing ones included, so scripts can see what a user saw.
  module StatusBar
    POSITIONS = [SB_PROMPT, SB_VCB_LABEL, SB_VCB_VALUE].freeze

    @texts = {}
    @history = []

    class << self
      attr_reader :history

      def set(text, position)
        raise ArgumentError, "invalid status bar position #{position.inspect}" unless POSITIONS.include?(position)

        text = text&.to_s
        @texts[position] = text
        @history << [position, text].freeze
      end

      def text(position) = @texts[position]
      def clear_history = @history.clear
    end
  end

  def self.status_text(position = SB_PROMPT) = StatusBar.text(position)
  def self.status_history = StatusBar.history.dup

  def self.clear_status_history
    StatusBar.clear_history
    nil
  end
end

module Sketchup
  # With no argument the prompt is cleared; nil clears any one field.
  def self.set_status_text(text = nil, position = SB_PROMPT)
    HostSim::StatusBar.set(text, position)
    nil
  end

  def self.status_text=(text)
    HostSim::StatusBar.set(text, SB_PROMPT)
  end

  def self.vcb_label=(text)
    HostSim::StatusBar.set(text, SB_VCB_LABEL)
  end

  def self.vcb_value=(text)
    HostSim::StatusBar.set(text, SB_VCB_VALUE)
  end
end
