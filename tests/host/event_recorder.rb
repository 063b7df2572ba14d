# An observer that records the SketchUp callbacks it receives, with their arguments, so tests
# can compare whole event sequences. Given method names, it answers only those (as an observer
# implementing just them would); without, it answers every on... method.
class EventRecorder
  attr_reader :events
  alias calls events

  def initialize(*only)
    @events = []
    @only = only
  end

  def clear
    @events.clear
  end

  # The recorded events without the given callbacks (for example the transaction brackets).
  def without(*names)
    @events.reject { |event| names.include?(event.first) }
  end

  def method_missing(name, *args)
    return super unless answers?(name)

    @events << [name, *args]
    nil
  end

  def respond_to_missing?(name, include_private = false)
    answers?(name) || super
  end

  private

  def answers?(name)
    @only.empty? ? name.start_with?('on') : @only.include?(name)
  end
end
